// Arbitrary bytes through the decoder as its users drive it: OpenFile, ReadHeader, ReadData,
// DecompressImage.
#include <kvicodec/kvidecoder.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const std::string& inputPath() {
    static const std::string path = "/tmp/kvi_decode_fuzz_" + std::to_string(getpid()) + ".kvi";
    return path;
}

// Pictures that fit the format but would only make the run slow or exhaust the fuzzer's
// memory limit; larger than 32-bit sizes still go through to be refused.
bool tooCostly(const CKVIDECODER& d) {
    const uint64_t pixels = uint64_t(d.width) * d.height;
    const uint64_t bytes = pixels * d.bitsPerPixel / 8;
    return bytes <= UINT32_MAX && pixels > (1u << 16);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* f = std::fopen(inputPath().c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    CKVIDECODER d{};
    if (d.OpenFile(inputPath().c_str()) == 0 && d.ReadHeader() == 0 && d.ReadData() == 0) {
        d.CloseFile();
        if (!tooCostly(d)) d.DecompressImage();
    }
    d.CloseFile();
    std::remove(inputPath().c_str());
    std::free(d.data);
    std::free(d.work);
    std::free(d.image);
    return 0;
}
