// Arbitrary bytes as one plane's B1 stream: every symbol search this processor has decodes it
// to the same samples as the portable one. The first three bytes choose size and quality.
#include "b1plane.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const uint32_t width = 2 + data[0] % 130, height = 1 + data[1] % 130, quality = data[2] % 101;
    auto decode = [&](kvi::b1::Search search) {
        std::vector<uint8_t> samples(size_t(width) * height);
        if (kvi::b1::decodePlane(data + 3, size - 3, width, height, quality, samples.data(), search) != kvi::b1::Ok)
            __builtin_trap();
        return samples;
    };
    const std::vector<uint8_t> portable = decode(kvi::b1::Search::Portable);
    if (decode(kvi::b1::Search::Avx2) != portable || decode(kvi::b1::Search::Fastest) != portable) __builtin_trap();
    return 0;
}
