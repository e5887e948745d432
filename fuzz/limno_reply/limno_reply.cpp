// Feeds arbitrary bytes to the HTTP reply reader, whole and in pieces (the first byte sets
// the piece size): both ways of arriving must reach the same verdict. The same bytes then come
// back to GetData as a server's reply, into a buffer whose size the second byte sets.
#include <limno/limno.h>

#include "reply.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

void checkReader(const char* reply, size_t length, size_t step) {
    limno::ReplyReader whole;
    const bool wholeComplete = whole.complete(reply, length);

    limno::ReplyReader pieces;
    bool piecesComplete = pieces.complete(reply, 0);
    for (size_t received = 0; received < length;) {
        received = received + step < length ? received + step : length;
        const bool complete = pieces.complete(reply, received);
        if (piecesComplete && !complete) std::abort();  // once complete, always complete
        piecesComplete = complete;
    }
    if (piecesComplete != wholeComplete || pieces.stage() != whole.stage()) std::abort();
}

// The server's end gets the reply and is shut for writing, so GetData never waits.
void checkGetData(const char* reply, size_t length, uint32_t bufferSize) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return;
    if (::send(ends[1], reply, length, MSG_NOSIGNAL) == ssize_t(length) && ::shutdown(ends[1], SHUT_WR) == 0) {
        cLIMNO_SOCKET client;
        client.sock = ends[0];
        client.receiveTimeoutMs = 1000;
        std::strcpy(client.host, "fuzz");
        // Exactly bufferSize bytes, so that any write past it is caught.
        const std::unique_ptr<char[]> buffer(new char[bufferSize]);
        client.GetData(buffer.get(), bufferSize, "p", LIMNO_METHOD_GET);
        if (client.received >= bufferSize || client.received > length || buffer[client.received] != '\0' ||
            std::memcmp(buffer.get(), reply, client.received) != 0)
            std::abort();
        client.Unlink();
    } else {
        ::close(ends[0]);
    }
    ::close(ends[1]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const char* reply = reinterpret_cast<const char*>(data + 2);
    const size_t length = size - 2;
    checkReader(reply, length, data[0] % 64 + 1);
    checkGetData(reply, length, uint32_t(data[1]) * 16 + 1);
    return 0;
}
