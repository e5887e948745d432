// The picture readers through the paths users take (LoadImageFromFileAs32 and
// LoadImageFromMemAs32), each beside stb_image and, for JPEG, libjpeg-turbo decoding the same
// bytes to R, G, B, A straight from memory. stb_image reads no PCX: a PCX picture is set
// beside stb_image reading the same pixels as a run-length TGA of the same depth.
#include <kaldorgl/kaldorgl.h>

#include "sidebyside.h"
#include "testsupport.h"

#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <stb_image.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using kvtest::Bytes;
using kvtest::put16;
using kvtest::put32;

struct Size {
    uint32_t width, height;
};
constexpr Size kSizes[] = {{1024, 768}, {1920, 1080}};

const kvtest::TempDir& folder() {
    static const kvtest::TempDir dir;
    return dir;
}

// One byte a pixel for the paletted pictures: the photo's green channel over a grey palette.
Bytes greenOf(const Bytes& rgba) {
    Bytes out(rgba.size() / 4);
    for (size_t i = 0; i < out.size(); ++i) out[i] = rgba[i * 4 + 1];
    return out;
}

Bytes savedBy(const Bytes& rgba, Size s, const char* name, uint32_t type) {
    Bytes pixels = rgba;
    if (type == KDGL_TYPE_24BIT) {
        pixels.clear();
        for (size_t i = 0; i < rgba.size(); i += 4) pixels.insert(pixels.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    }
    const std::string path = folder().file(name);
    CKaldorGL().SaveImageToFileBPP(path.c_str(), pixels.data(), s.width, s.height, type);
    return kvtest::readFile(path);
}

Bytes greyBmp8(const Bytes& rgba, Size s) {
    const uint32_t stride = (s.width + 3) / 4 * 4;
    const Bytes index = greenOf(rgba);
    Bytes out = {'B', 'M'};
    put32(out, 54 + 1024 + stride * s.height);
    put32(out, 0);
    put32(out, 54 + 1024);
    for (uint32_t v : {40u, s.width, s.height}) put32(out, v);
    put16(out, 1);
    put16(out, 8);
    for (int i = 0; i < 6; ++i) put32(out, 0);
    for (uint32_t i = 0; i < 256; ++i) put32(out, i * 0x010101u);
    for (uint32_t y = s.height; y-- > 0;) {
        out.insert(out.end(), index.begin() + y * s.width, index.begin() + (y + 1) * s.width);
        out.resize(out.size() + stride - s.width, 0);
    }
    return out;
}

// Targa header; colour-mapped pictures carry a 256-entry grey map of 24-bit entries.
Bytes tgaHeader(uint8_t imageType, uint32_t bits, Size s) {
    const bool mapped = bits == 8;
    Bytes out = {0, uint8_t(mapped), imageType, 0, 0};
    put16(out, mapped ? 256 : 0);
    out.push_back(mapped ? 24 : 0);
    put32(out, 0);
    put16(out, s.width);
    put16(out, s.height);
    out.insert(out.end(), {uint8_t(bits), uint8_t(bits == 32 ? 0x28 : 0x20)});
    if (mapped)
        for (uint32_t i = 0; i < 256; ++i) out.insert(out.end(), {uint8_t(i), uint8_t(i), uint8_t(i)});
    return out;
}

// File-order pixels (B, G, R(, A), or indices) of the photo at `bits`, rows top first.
Bytes tgaPixels(const Bytes& rgba, uint32_t bits) {
    if (bits == 8) return greenOf(rgba);
    Bytes out;
    out.reserve(rgba.size());
    for (size_t i = 0; i < rgba.size(); i += 4) {
        out.insert(out.end(), {rgba[i + 2], rgba[i + 1], rgba[i]});
        if (bits == 32) out.push_back(rgba[i + 3]);
    }
    return out;
}

Bytes rawTga(const Bytes& rgba, Size s, uint32_t bits) {
    Bytes out = tgaHeader(bits == 8 ? 1 : 2, bits, s);
    const Bytes pixels = tgaPixels(rgba, bits);
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

// Run packets for repeats, raw packets for the rest, never across a row end.
Bytes rleTga(const Bytes& rgba, Size s, uint32_t bits) {
    Bytes out = tgaHeader(bits == 8 ? 9 : 10, bits, s);
    const Bytes pixels = tgaPixels(rgba, bits);
    const uint32_t bpp = bits / 8;
    auto same = [&](uint64_t a, uint64_t b) { return std::memcmp(&pixels[a * bpp], &pixels[b * bpp], bpp) == 0; };
    for (uint32_t y = 0; y < s.height; ++y) {
        const uint64_t rowStart = uint64_t(y) * s.width, rowEnd = rowStart + s.width;
        for (uint64_t i = rowStart; i < rowEnd;) {
            uint64_t run = 1;
            while (run < 128 && i + run < rowEnd && same(i, i + run)) ++run;
            if (run > 1) {
                out.push_back(uint8_t(0x80 | (run - 1)));
                out.insert(out.end(), &pixels[i * bpp], &pixels[i * bpp] + bpp);
                i += run;
                continue;
            }
            uint64_t literal = 1;
            while (literal < 128 && i + literal < rowEnd && !(i + literal + 1 < rowEnd && same(i + literal, i + literal + 1)))
                ++literal;
            out.push_back(uint8_t(literal - 1));
            out.insert(out.end(), &pixels[i * bpp], &pixels[(i + literal) * bpp]);
            i += literal;
        }
    }
    return out;
}

Bytes greyPcx8(const Bytes& rgba, Size s) {
    Bytes out(128, 0);
    out[0] = 10, out[1] = 5, out[2] = 1, out[3] = 8, out[65] = 1;
    out[8] = uint8_t(s.width - 1), out[9] = uint8_t((s.width - 1) >> 8);
    out[10] = uint8_t(s.height - 1), out[11] = uint8_t((s.height - 1) >> 8);
    out[66] = uint8_t(s.width), out[67] = uint8_t(s.width >> 8);
    for (uint8_t v : greenOf(rgba)) {
        if (v >= 192) out.push_back(193);
        out.push_back(v);
    }
    out.push_back(12);
    for (uint32_t i = 0; i < 768; ++i) out.push_back(uint8_t(i / 3));
    return out;
}

enum Kind { Bmp8, Bmp24, Bmp32, TgaRaw24, TgaRle32, TgaMapped8, Pcx8, Pcx24, Jpeg420, Jpeg444, JpegProgressive, JpegGrey };

struct KindInfo {
    const char* name;
    const char* ending;
    uint32_t format;
};
constexpr KindInfo kKinds[] = {
    {"Bmp8", "bmp", KDGL_FORMAT_BMP},         {"Bmp24", "bmp", KDGL_FORMAT_BMP},
    {"Bmp32", "bmp", KDGL_FORMAT_BMP},        {"TgaRaw24", "tga", KDGL_FORMAT_TGA},
    {"TgaRle32", "tga", KDGL_FORMAT_TGA},     {"TgaMapped8", "tga", KDGL_FORMAT_TGA},
    {"Pcx8", "pcx", KDGL_FORMAT_PCX},         {"Pcx24", "pcx", KDGL_FORMAT_PCX},
    {"Jpeg420", "jpg", KDGL_FORMAT_JPEG},     {"Jpeg444", "jpg", KDGL_FORMAT_JPEG},
    {"JpegProgressive", "jpg", KDGL_FORMAT_JPEG}, {"JpegGrey", "jpg", KDGL_FORMAT_JPEG},
};

bool isJpeg(Kind kind) { return kind >= Jpeg420; }

struct Sample {
    std::string path;  // the file our reader opens
    Bytes bytes;       // its contents
    Bytes peerBytes;   // what stb_image reads: the same bytes, or a TGA of the same pixels
};

Bytes jpegBytes(Kind kind, const Bytes& rgba, Size s, const std::string& path) {
    kvtest::JpegStyle style;
    style.subsampled = kind != Jpeg444;
    style.progressive = kind == JpegProgressive;
    style.grey = kind == JpegGrey;
    kvtest::writeJpeg(path, rgba, s.width, s.height, style);
    return kvtest::readFile(path);
}

Bytes encode(Kind kind, const Bytes& rgba, Size s, const std::string& path) {
    switch (kind) {
        case Bmp8: return greyBmp8(rgba, s);
        case Bmp24: return savedBy(rgba, s, "saved.bmp", KDGL_TYPE_24BIT);
        case Bmp32: return savedBy(rgba, s, "saved.bmp", KDGL_TYPE_32BIT);
        case TgaRaw24: return rawTga(rgba, s, 24);
        case TgaRle32: return rleTga(rgba, s, 32);
        case TgaMapped8: return rawTga(rgba, s, 8);
        case Pcx8: return greyPcx8(rgba, s);
        case Pcx24: return savedBy(rgba, s, "saved.pcx", KDGL_TYPE_24BIT);
        default: return jpegBytes(kind, rgba, s, path);
    }
}

const Sample& sample(Kind kind, Size s) {
    static std::map<std::pair<int, uint32_t>, std::unique_ptr<Sample>> made;
    auto& slot = made[{kind, s.width}];
    if (slot) return *slot;
    const Bytes rgba = kvtest::makePhotoRgba(s.width, s.height);
    slot = std::make_unique<Sample>();
    slot->path = folder().file(std::string(kKinds[kind].name) + std::to_string(s.width) + "." + kKinds[kind].ending);
    slot->bytes = encode(kind, rgba, s, slot->path);
    kvtest::writeFile(slot->path, slot->bytes);
    slot->peerBytes = kind == Pcx8 ? rleTga(rgba, s, 8) : kind == Pcx24 ? rleTga(rgba, s, 24) : slot->bytes;
    return *slot;
}

void checkedFree(CKaldorGL& gl, uint32_t status, benchmark::State& state) {
    if (status != KDGL_OK || gl.canvas.type != KDGL_TYPE_32BIT) state.SkipWithError("load failed");
    std::free(gl.canvas.data);
    gl.canvas.data = nullptr;
}

void stbDecode(const Bytes& bytes) {
    int w = 0, h = 0, n = 0;
    stbi_image_free(stbi_load_from_memory(bytes.data(), int(bytes.size()), &w, &h, &n, 4));
}

struct JpegError {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

// libjpeg-turbo as its users drive it at its fastest: R, G, B, A from memory, every row
// pointer handed over at once.
void libjpegDecode(const Bytes& bytes) {
    jpeg_decompress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JpegError*>(c->err)->jump, 1); };
    uint8_t* pixels = nullptr;
    std::vector<JSAMPROW> rows;
    if (setjmp(error.jump) == 0) {
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_EXT_RGBA;
        jpeg_start_decompress(&info);
        const size_t stride = size_t(info.output_width) * 4;
        pixels = static_cast<uint8_t*>(std::malloc(stride * info.output_height));
        rows.resize(info.output_height);
        for (size_t y = 0; y < rows.size(); ++y) rows[y] = pixels + y * stride;
        while (info.output_scanline < info.output_height)
            jpeg_read_scanlines(&info, rows.data() + info.output_scanline, info.output_height - info.output_scanline);
        jpeg_finish_decompress(&info);
    }
    jpeg_destroy_decompress(&info);
    std::free(pixels);
}

void fromFile(benchmark::State& state, Kind kind, Size s) {
    const Sample& in = sample(kind, s);
    CKaldorGL gl;
    std::vector<kvbench::Peer> peers{{"stb", [&] { stbDecode(in.peerBytes); }}};
    if (isJpeg(kind)) peers.insert(peers.begin(), {"libjpeg", [&] { libjpegDecode(in.bytes); }});
    kvbench::sideBySide(state, s.width * s.height * 1e-6, "MP",
                        [&] { checkedFree(gl, gl.LoadImageFromFileAs32(in.path.c_str()), state); }, peers);
}

void fromMemory(benchmark::State& state, Kind kind, Size s) {
    const Sample& in = sample(kind, s);
    CKaldorGL gl;
    kvbench::sideBySide(
        state, s.width * s.height * 1e-6, "MP",
        [&] {
            checkedFree(gl, gl.LoadImageFromMemAs32(in.bytes.data(), uint32_t(in.bytes.size()), kKinds[kind].format),
                        state);
        },
        {{"stb", [&] { stbDecode(in.peerBytes); }}});
}

const bool registered = [] {
    for (const Size s : kSizes)
        for (int k = Bmp8; k <= JpegGrey; ++k) {
            const Kind kind = Kind(k);
            const std::string suffix = std::string(kKinds[k].name) + "/" + std::to_string(s.width) + "x" + std::to_string(s.height);
            benchmark::RegisterBenchmark(("LoadFileAs32/" + suffix).c_str(), fromFile, kind, s)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
            if (!isJpeg(kind))
                benchmark::RegisterBenchmark(("LoadMemAs32/" + suffix).c_str(), fromMemory, kind, s)
                    ->UseManualTime()
                    ->Unit(benchmark::kMillisecond);
        }
    return true;
}();

}  // namespace
