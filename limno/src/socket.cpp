#include <limno/limno.h>

#include "reply.h"
#include "status.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr uint32_t kReceiveChunk = 16384;
constexpr int kNoSocket = -1;

using Clock = std::chrono::steady_clock;

struct HostPort {
    char name[512];
    char port[8];
};

bool validPort(const char* text) {
    if (!*text || std::strlen(text) > 5) return false;
    long value = 0;
    for (const char* c = text; *c; ++c) {
        if (*c < '0' || *c > '9') return false;
        value = value * 10 + (*c - '0');
    }
    return value >= 1 && value <= 65535;
}

// "name", "name:port", "[v6]", "[v6]:port"; a bare IPv6 literal (several colons) has no port.
bool splitHostPort(const char* given, HostPort& out) {
    const char* portText = "80";
    const char* name = given;
    size_t nameLength = std::strlen(given);
    if (given[0] == '[') {
        const char* close = std::strchr(given, ']');
        if (!close) return false;
        name = given + 1;
        nameLength = static_cast<size_t>(close - name);
        if (close[1] == ':') portText = close + 2;
        else if (close[1] != '\0') return false;
    } else if (const char* colon = std::strchr(given, ':'); colon && !std::strchr(colon + 1, ':')) {
        nameLength = static_cast<size_t>(colon - given);
        portText = colon + 1;
    }
    if (nameLength == 0 || nameLength >= sizeof out.name || !validPort(portText)) return false;
    std::memcpy(out.name, name, nameLength);
    out.name[nameLength] = '\0';
    std::snprintf(out.port, sizeof out.port, "%s", portText);
    return true;
}

int millisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : left > INT32_MAX ? INT32_MAX : static_cast<int>(left);
}

// Each wait gets the per-step limit, cut short by the exchange's overall deadline.
class Timer {
public:
    Timer(uint32_t stepMs, uint32_t totalMs) : stepMs_(stepMs), deadline_(Clock::now() + std::chrono::milliseconds(totalMs)) {}
    int nextWaitMs() const {
        const int left = millisecondsUntil(deadline_);
        return stepMs_ < static_cast<uint32_t>(left) ? static_cast<int>(stepMs_) : left;
    }

private:
    uint32_t stepMs_;
    Clock::time_point deadline_;
};

// Waits for the socket to become ready; false on time-out or error.
bool waitFor(int sock, short events, int timeoutMs) {
    pollfd entry{sock, events, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, timeoutMs);
        if (ready > 0) return true;
        if (ready == 0 || errno != EINTR) return false;
    }
}

bool connectWithin(int sock, const addrinfo& address, Clock::time_point deadline) {
    if (::connect(sock, address.ai_addr, address.ai_addrlen) == 0) return true;
    if (errno != EINPROGRESS && errno != EINTR) return false;
    if (!waitFor(sock, POLLOUT, millisecondsUntil(deadline))) return false;
    int error = 0;
    socklen_t size = sizeof error;
    return ::getsockopt(sock, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

bool sendAll(int sock, const char* data, size_t size, const Timer& timer) {
    while (size) {
        if (!waitFor(sock, POLLOUT, timer.nextWaitMs())) return false;
        // MSG_NOSIGNAL: a peer that already hung up must not kill the process with SIGPIPE.
        const ssize_t sent = ::send(sock, data, size, MSG_NOSIGNAL);
        if (sent < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

// Next piece of the reply: the byte count, 0 when the server closed, -1 on time-out or error.
ssize_t receiveSome(int sock, char* into, size_t room, const Timer& timer, int flags = 0) {
    for (;;) {
        if (!waitFor(sock, POLLIN, timer.nextWaitMs())) return -1;
        const ssize_t got = ::recv(sock, into, room, flags);
        if (got >= 0) return got;
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    }
}

// CR and LF would end the request line early and let the text go on as headers or as a
// second request; no other control character belongs in a request either.
bool hasControlCharacter(const char* text) {
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; ++c)
        if (*c < 0x20 || *c == 0x7F) return true;
    return false;
}

std::unique_ptr<char[]> formatRequest(const char* methodWord, const char* path, const char* host, size_t& length) {
    static const char* const kFormat = "%s /%s HTTP/1.1\r\nHost: %s\r\n\r\n";
    const int needed = std::snprintf(nullptr, 0, kFormat, methodWord, path, host);
    if (needed < 0) return nullptr;
    std::unique_ptr<char[]> text(new (std::nothrow) char[static_cast<size_t>(needed) + 1]);
    if (!text) return nullptr;
    std::snprintf(text.get(), static_cast<size_t>(needed) + 1, kFormat, methodWord, path, host);
    length = static_cast<size_t>(needed);
    return text;
}


}  // namespace

cLIMNO_SOCKET::cLIMNO_SOCKET()
    : host{},
      sock(kNoSocket),
      received(0),
      truncated(false),
      connectTimeoutMs(LIMNO_DEFAULT_TIMEOUT_MS),
      receiveTimeoutMs(LIMNO_DEFAULT_TIMEOUT_MS),
      replyTimeoutMs(LIMNO_DEFAULT_REPLY_TIMEOUT_MS) {}

cLIMNO_SOCKET::~cLIMNO_SOCKET() = default;

uint32_t cLIMNO_SOCKET::Init(const char* hostName) {
    Unlink();
    HostPort target{};
    if (!hostName || hasControlCharacter(hostName) || !splitHostPort(hostName, target))
        return limno::recordStatus(LIMNO_ERR_SOCKET);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* addresses = nullptr;
    if (::getaddrinfo(target.name, target.port, &hints, &addresses) != 0) return limno::recordStatus(LIMNO_ERR_SOCKET);

    // Every address of the host is tried in turn within the one connect time-out.
    const auto deadline = Clock::now() + std::chrono::milliseconds(connectTimeoutMs);
    bool madeSocket = false;
    for (const addrinfo* a = addresses; a && sock == kNoSocket; a = a->ai_next) {
        const int candidate = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (candidate < 0) continue;
        madeSocket = true;
        if (connectWithin(candidate, *a, deadline)) sock = candidate;
        else ::close(candidate);
    }
    ::freeaddrinfo(addresses);
    if (sock == kNoSocket) return limno::recordStatus(madeSocket ? LIMNO_ERR_CONNECT : LIMNO_ERR_SOCKET);
    std::snprintf(host, sizeof host, "%s", hostName);
    return limno::recordStatus(LIMNO_OK);
}

uint32_t cLIMNO_SOCKET::GetData(char* buffer, uint32_t bufferSize, const char* path, int32_t method) {
    received = 0;
    truncated = false;
    if (!buffer || bufferSize == 0) return limno::recordStatus(LIMNO_ERR_INCOMPLETE);
    buffer[0] = '\0';
    if (sock == kNoSocket) return limno::recordStatus(LIMNO_ERR_SOCKET);
    if (!path) path = "";
    if (hasControlCharacter(path)) return limno::recordStatus(LIMNO_ERR_REQUEST);

    size_t requestLength = 0;
    const auto request = formatRequest(method == LIMNO_METHOD_POST ? "POST" : "GET", path, host, requestLength);
    const Timer timer(receiveTimeoutMs, replyTimeoutMs);
    if (!request || !sendAll(sock, request.get(), requestLength, timer)) return limno::recordStatus(LIMNO_ERR_INCOMPLETE);

    limno::ReplyReader reader;
    const uint32_t capacity = bufferSize - 1;
    bool complete = false;
    ssize_t got = 1;
    while (!complete && received < capacity) {
        const uint32_t room = capacity - received < kReceiveChunk ? capacity - received : kReceiveChunk;
        got = receiveSome(sock, buffer + received, room, timer);
        if (got <= 0) break;
        received += static_cast<uint32_t>(got);
        complete = reader.complete(buffer, received);
    }
    buffer[received] = '\0';
    if (!complete && received == capacity) {
        // Full: the reply was cut if the server still has a byte for us.
        char probe = 0;
        got = receiveSome(sock, &probe, 1, timer, MSG_PEEK);
        truncated = got > 0;
    }
    // A reply without framing is whole when the server closes the connection after it.
    const bool closedAfterWhole = got == 0 && received > 0 && reader.stage() == limno::ReplyReader::Stage::UntilClose;
    return limno::recordStatus(complete || closedAfterWhole ? LIMNO_OK : LIMNO_ERR_INCOMPLETE);
}

uint32_t cLIMNO_SOCKET::Unlink() {
    std::memset(host, 0, sizeof host);
    if (sock != kNoSocket) ::close(sock);
    sock = kNoSocket;
    return LIMNO_OK;
}
