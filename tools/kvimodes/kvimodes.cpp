// kvimodes OUTDIR: codes a picture it paints itself with every KVI mode, writes each file
// into OUTDIR, decodes it back and prints size, ratio and PSNR per mode.
#include "kvimodes_help.h"

#include <kvicodec/kvicoder.h>
#include <kvicodec/kvidecoder.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kWidth = 512, kHeight = 384;

// A landscape-like "rgba" picture: flat sky, a sun, hills with texture, a little grain.
Bytes paintPicture() {
    Bytes px(size_t(kWidth) * kHeight * 4);
    uint32_t seed = 12345;
    auto grain = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return int(seed >> 29) - 4;
    };
    auto clamp = [](double v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x) {
            uint8_t* p = &px[(size_t(y) * kWidth + x) * 4];
            const double horizon = 220 + 30 * std::sin(x * 0.02) + 12 * std::sin(x * 0.07 + 1);
            const double dx = x - 380.0, dy = y - 80.0;
            if (dx * dx + dy * dy < 40 * 40) {
                p[0] = 255, p[1] = 220, p[2] = 120;
            } else if (y < horizon) {
                p[0] = uint8_t(90 + y / 8), p[1] = uint8_t(150 + y / 8), p[2] = 235;
            } else {
                const double t = 30 * std::sin(x * 0.15) * std::cos(y * 0.11);
                p[0] = clamp(60 + t + grain()), p[1] = clamp(140 - (y - horizon) / 3 + t + grain());
                p[2] = clamp(50 + t / 2 + grain());
            }
            p[3] = 255;
        }
    return px;
}

double psnr(const Bytes& a, const Bytes& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
    return sum == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 * double(a.size()) / sum);
}

struct Job {
    const char* name;
    uint32_t mode;
    uint32_t quality;
};

uint32_t encode(const Bytes& px, const Job& job, const std::string& path) {
    CKVICODER c{};
    c.Reset();
    c.width = kWidth;
    c.height = kHeight;
    c.bitsPerPixel = 32;
    c.colorDesc = KVI_COLOR_RGBA;
    c.quality = job.quality;
    uint32_t status = c.AddCoder(job.mode);
    if (!status) status = c.CompressImage(px.data());
    if (!status) status = c.CreateFileA(path.c_str());
    if (!status) status = c.WriteHeader();
    if (!status) status = c.WriteData();
    const uint32_t closed = c.CloseFile();
    std::free(c.data);
    std::free(c.work);
    return status ? status : closed;
}

uint32_t decode(const std::string& path, Bytes& out) {
    CKVIDECODER d{};
    uint32_t status = d.OpenFile(path.c_str());
    if (!status) status = d.ReadHeader();
    if (!status) status = d.ReadData();
    d.CloseFile();
    if (!status) status = d.DecompressImage();
    if (!status) out.assign(d.image, d.image + size_t(d.width) * d.height * d.bitsPerPixel / 8);
    std::free(d.data);
    std::free(d.work);
    std::free(d.image);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    namespace help = kvhelp_kvimodes;
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(help::text, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s %s\n", help::name, help::version);
        return 0;
    }
    // A folder named like an option is almost certainly a mistyped option.
    if (argc != 2 || argv[1][0] == '-') {
        if (argc == 2) std::fprintf(stderr, "kvimodes: unknown option '%s'\n", argv[1]);
        else std::fputs("kvimodes: one OUTDIR is needed\n", stderr);
        std::fputs(help::usage, stderr);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir)) {
        std::fprintf(stderr, "kvimodes: %s: cannot make the folder: %s\n", argv[1],
                     (ec ? ec : std::make_error_code(std::errc::not_a_directory)).message().c_str());
        return 1;
    }
    const Job jobs[] = {{"none", KVI_MODE_NONE, 0}, {"A1", KVI_MODE_A1, 0},   {"A1E", KVI_MODE_A1E, 0},
                        {"A2", KVI_MODE_A2, 0},     {"A2E", KVI_MODE_A2E, 0}, {"A3", KVI_MODE_A3, 0},
                        {"A3E", KVI_MODE_A3E, 0},   {"B1", KVI_MODE_B1, 100}, {"B1", KVI_MODE_B1, 90},
                        {"B1", KVI_MODE_B1, 50},    {"B1", KVI_MODE_B1, 10}};
    const Bytes picture = paintPicture();
    std::printf("%ux%u RGBA picture, %zu bytes raw\n\n", kWidth, kHeight, picture.size());
    std::printf("%-5s %7s %10s %7s %9s  %s\n", "mode", "quality", "bytes", "ratio", "PSNR dB", "file");
    int failures = 0;
    for (const Job& job : jobs) {
        std::string name = job.name;
        if (job.mode == KVI_MODE_B1) name += "_q" + std::to_string(job.quality);
        const std::string path = (dir / (name + ".kvi")).string();
        Bytes back;
        uint32_t status = encode(picture, job, path);
        if (!status) status = decode(path, back);
        if (status) {
            std::printf("%-5s failed with status 0x%08X\n", job.name, status);
            ++failures;
            continue;
        }
        const auto bytes = std::filesystem::file_size(path);
        const double db = psnr(picture, back);
        const std::string quality = job.mode == KVI_MODE_B1 ? std::to_string(job.quality) : "-";
        std::printf("%-5s %7s %10ju %6.2fx %9s  %s\n", job.name, quality.c_str(), uintmax_t(bytes),
                    double(picture.size()) / double(bytes),
                    std::isinf(db) ? "lossless" : std::to_string(db).substr(0, 5).c_str(), path.c_str());
    }
    return failures ? 1 : 0;
}
