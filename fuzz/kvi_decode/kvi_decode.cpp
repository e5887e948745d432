// Arbitrary bytes through the decoder as its users drive it: OpenFile, ReadHeader, ReadData,
// DecompressImage.
#include "../fuzz_budget.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* f = std::fopen(inputPath().c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    CKVIDECODER d{};
    if (d.OpenFile(inputPath().c_str()) == 0 && d.ReadHeader() == 0 && d.ReadData() == 0) {
        d.CloseFile();
        d.DecompressImage();
    }
    d.CloseFile();
    std::remove(inputPath().c_str());
    std::free(d.data);
    std::free(d.work);
    std::free(d.image);
    return 0;
}
