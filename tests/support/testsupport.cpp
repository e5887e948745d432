#include "testsupport.h"

#include <support/bytes.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <stdexcept>

namespace kvtest {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kvtest-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void put16(Bytes& out, uint32_t value) {
    out.resize(out.size() + 2);
    kvsupport::writeLe16(out.data() + out.size() - 2, value);
}

void put32(Bytes& out, uint32_t value) {
    out.resize(out.size() + 4);
    kvsupport::writeLe32(out.data() + out.size() - 4, value);
}

Bytes makePhotoRgba(uint32_t width, uint32_t height, uint32_t seed) {
    Bytes out(static_cast<size_t>(width) * height * 4);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-6, 6);
    auto clamp = [](double v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const double u = width > 1 ? double(x) / (width - 1) : 0.0;
            const double v = height > 1 ? double(y) / (height - 1) : 0.0;
            const double wave = 40.0 * std::sin(u * 9.0 + v * 4.0);
            const bool disc = (u - 0.6) * (u - 0.6) + (v - 0.4) * (v - 0.4) < 0.05;
            uint8_t* p = &out[(static_cast<size_t>(y) * width + x) * 4];
            p[0] = clamp(200 * u + wave + noise(rng) + (disc ? 50 : 0));
            p[1] = clamp(180 * v + 30 + noise(rng) - (disc ? 60 : 0));
            p[2] = clamp(120 + 100 * (1 - u) * v - wave + noise(rng));
            p[3] = clamp(255 - 90 * u * v);
        }
    }
    return out;
}

double psnr(const Bytes& a, const Bytes& b) {
    if (a.size() != b.size() || a.empty()) return 0.0;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const double d = double(a[i]) - double(b[i]);
        sum += d * d;
    }
    if (sum == 0) return std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(255.0 * 255.0 / (sum / double(a.size())));
}

}  // namespace kvtest
