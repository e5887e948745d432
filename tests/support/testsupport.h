// Helpers shared by the test suites.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kvtest {

using Bytes = std::vector<uint8_t>;

// A folder under the system's temporary directory, removed with everything in it when the
// object goes away. Each test gets its own, so suites can run in parallel.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& bytes);

// Little-endian appenders for building files byte by byte.
void put16(Bytes& out, uint32_t value);
void put32(Bytes& out, uint32_t value);

// A deterministic photo-like RGBA picture (smooth gradients, edges and some noise), rows top
// first, 4 bytes a pixel. The same arguments always give the same bytes.
Bytes makePhotoRgba(uint32_t width, uint32_t height, uint32_t seed = 1);

// How writeJpeg codes: 2x2 chroma subsampling (4:2:0) or none (4:4:4), progressive scans,
// or one grey component made by libjpeg from the colours.
struct JpegStyle {
    int quality = 90;
    bool subsampled = true;
    bool progressive = false;
    bool grey = false;
};

// Writes 4-byte R, G, B, A pixels (alpha dropped) as a JPEG through libjpeg; the second form
// writes a baseline colour JPEG. False when the file cannot be written.
bool writeJpeg(const std::string& path, const Bytes& rgba, uint32_t width, uint32_t height, const JpegStyle& style);
bool writeJpeg(const std::string& path, const Bytes& rgba, uint32_t width, uint32_t height, int quality,
               bool subsampled);
// Writes one byte a pixel as a single-component (greyscale) baseline JPEG.
bool writeGreyJpeg(const std::string& path, const Bytes& grey, uint32_t width, uint32_t height, int quality);

// The file with its frame header (baseline or progressive) saying width x height, as a
// hostile file would; unchanged when it has no such header.
Bytes withJpegFrameSize(Bytes file, uint16_t width, uint16_t height);

// Peak signal-to-noise ratio in dB over equal-sized buffers; infinity when they are equal.
double psnr(const Bytes& a, const Bytes& b);

}  // namespace kvtest
