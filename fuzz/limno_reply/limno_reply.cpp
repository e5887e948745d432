// Feeds arbitrary bytes to the HTTP reply reader, whole and in pieces. The first byte sets the
// piece size; the two ways of arriving must reach the same verdict.
#include "reply.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t step = data[0] % 64 + 1;
    const char* reply = reinterpret_cast<const char*>(data + 1);
    const size_t length = size - 1;

    limno::ReplyReader whole;
    const bool wholeComplete = whole.complete(reply, length);

    limno::ReplyReader pieces;
    bool piecesComplete = false;
    for (size_t received = 0; received < length;) {
        received = received + step < length ? received + step : length;
        const bool complete = pieces.complete(reply, received);
        if (piecesComplete && !complete) std::abort();  // once complete, always complete
        piecesComplete = complete;
    }
    if (length == 0) piecesComplete = pieces.complete(reply, 0);
    if (piecesComplete != wholeComplete || pieces.stage() != whole.stage()) std::abort();
    return 0;
}
