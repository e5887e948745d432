// pkg-config: kvidecoder kvicoder
// Encodes a small picture with B1 and a lossless mode, then decodes both with the installed
// libraries.
#include <kvicodec/kvicoder.h>
#include <kvicodec/kvidecoder.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

bool roundTrip(uint32_t mode, const std::vector<uint8_t>& rgba, uint32_t w, uint32_t h, bool exact) {
    CKVICODER enc{};
    enc.Reset();
    enc.width = w;
    enc.height = h;
    enc.bitsPerPixel = 32;
    enc.colorDesc = KVI_COLOR_RGBA;
    enc.quality = 90;
    const bool written = enc.AddCoder(mode) == 0 && enc.CompressImage(rgba.data()) == 0 &&
                         enc.CreateFileA("client.kvi") == 0 && enc.WriteHeader() == 0 &&
                         enc.WriteData() == 0 && enc.CloseFile() == 0;
    std::free(enc.data);
    std::free(enc.work);
    if (!written) return false;

    CKVIDECODER dec{};
    const bool read = dec.OpenFile("client.kvi") == 0 && dec.ReadHeader() == 0 && dec.ReadData() == 0 &&
                      dec.CloseFile() == 0 && dec.DecompressImage() == 0;
    const bool same = read && dec.width == w && dec.height == h &&
                      (!exact || std::memcmp(dec.image, rgba.data(), rgba.size()) == 0);
    std::free(dec.image);
    std::free(dec.data);
    std::free(dec.work);
    std::remove("client.kvi");
    return same;
}

}  // namespace

int main() {
    const uint32_t w = 37, h = 21;
    std::vector<uint8_t> rgba(size_t(w) * h * 4);
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<uint8_t>(i * 7 / 5);
    if (!roundTrip(KVI_MODE_A1, rgba, w, h, true)) return 1;
    if (!roundTrip(KVI_MODE_B1, rgba, w, h, false)) return 2;
    return 0;
}
