// The byte-order kernels at every SIMD level against plain loops, and the readers that widen
// 3-byte pictures to 4 bytes while decoding against the stored depth widened afterwards.
#include "kaldorgl_fixture.h"

#include "../../kaldorgl/src/rows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace kdgltest;

namespace {

constexpr kdgl::Simd kLevels[] = {kdgl::Simd::Scalar, kdgl::Simd::Sse2, kdgl::Simd::Ssse3};

// Restores the widest level when a test ends, whatever it capped.
struct LevelGuard {
    ~LevelGuard() { kdgl::capRowsSimd(kdgl::Simd::Ssse3); }
};

Bytes randomBytes(size_t count, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(count);
    for (auto& b : out) b = uint8_t(rng());
    return out;
}

TEST(RowKernels, EveryLevelMatchesAPlainLoopForEveryLengthAndInPlace) {
    LevelGuard guard;
    for (const kdgl::Simd level : kLevels) {
        kdgl::capRowsSimd(level);
        for (uint64_t n = 0; n < 70; ++n) {
            SCOPED_TRACE(testing::Message() << "level " << int(kdgl::rowsSimd()) << " count " << n);
            const Bytes three = randomBytes(n * 3, uint32_t(n)), four = randomBytes(n * 4, uint32_t(n) + 99);
            Bytes widened(n * 4), swapped(n * 4), expected3, expected4, expectedSwap3, expectedSwap4, expectedPlanes;
            for (uint64_t i = 0; i < n; ++i) {
                const uint8_t* p = &three[i * 3];
                const uint8_t* q = &four[i * 4];
                expected3.insert(expected3.end(), {p[0], p[1], p[2], 255});
                expected4.insert(expected4.end(), {p[2], p[1], p[0], 255});
                expectedSwap3.insert(expectedSwap3.end(), {p[2], p[1], p[0]});
                expectedSwap4.insert(expectedSwap4.end(), {q[2], q[1], q[0], q[3]});
                expectedPlanes.insert(expectedPlanes.end(), {three[i], three[n + i], three[2 * n + i], 255});
            }
            kdgl::expandRgb(three.data(), widened.data(), n, false);
            EXPECT_EQ(widened, expected3);
            kdgl::expandRgb(three.data(), widened.data(), n, true);
            EXPECT_EQ(widened, expected4);
            Bytes inPlace = three;
            kdgl::swapRgb(inPlace.data(), inPlace.data(), n);
            EXPECT_EQ(inPlace, expectedSwap3);
            kdgl::swapRgba(four.data(), swapped.data(), n);
            EXPECT_EQ(swapped, expectedSwap4);
            inPlace = four;
            kdgl::swapRgba(inPlace.data(), inPlace.data(), n);
            EXPECT_EQ(inPlace, expectedSwap4);
            kdgl::interleavePlanes(three.data(), three.data() + n, three.data() + 2 * n, widened.data(), n);
            EXPECT_EQ(widened, expectedPlanes);
        }
    }
}

Bytes widen(const Bytes& rgb) {
    Bytes out;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) out.insert(out.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 255});
    return out;
}

constexpr uint16_t kW = 37, kH = 5;

Bytes rleTgaBody(const Bytes& bgr) {
    Bytes out;
    for (size_t i = 0; i < bgr.size() / 3;) {
        if (i % 7 == 0 && i + 4 <= bgr.size() / 3) {  // a run of four copies of pixel i
            out.insert(out.end(), {0x83, bgr[i * 3], bgr[i * 3 + 1], bgr[i * 3 + 2]});
            i += 4;
        } else {
            out.insert(out.end(), {0x00, bgr[i * 3], bgr[i * 3 + 1], bgr[i * 3 + 2]});
            ++i;
        }
    }
    return out;
}

struct Case {
    const char* name;
    uint32_t format;
    Bytes file;
};

std::vector<Case> threeByteFiles() {
    const Bytes bmpRows = randomBytes(112 * kH, 1), tgaRows = randomBytes(kW * 3 * kH, 2);
    const Bytes planes = randomBytes(kW * 3 * kH, 3);
    Bytes pcx1bit;  // three planes of one bit, 5 bytes a plane line, all literals below 192
    for (uint8_t b : randomBytes(5 * 3 * kH, 4)) pcx1bit.push_back(b & 0x7F);
    Bytes pcx8bit;
    for (uint8_t b : planes) {
        if (b >= 192) pcx8bit.push_back(193);
        pcx8bit.push_back(b);
    }
    Bytes pcx1bitFile = pcxFile(kW, kH, 1, 3, 5, pcx1bit);
    for (int i = 16; i < 64; ++i) pcx1bitFile[i] = uint8_t(i * 5);  // the 16-colour header palette
    return {
        {"bmp bottom-up", KDGL_FORMAT_BMP, bmpFile(kW, kH, 24, {}, bmpRows)},
        {"bmp top-down", KDGL_FORMAT_BMP, bmpFile(kW, -kH, 24, {}, bmpRows)},
        {"tga bottom-left", KDGL_FORMAT_TGA, tgaFile(2, kW, kH, 24, 0x00, tgaRows)},
        {"tga top-right", KDGL_FORMAT_TGA, tgaFile(2, kW, kH, 24, 0x30, tgaRows)},
        {"tga rle bottom-left", KDGL_FORMAT_TGA, tgaFile(10, kW, kH, 24, 0x00, rleTgaBody(tgaRows))},
        {"tga rle top-left", KDGL_FORMAT_TGA, tgaFile(10, kW, kH, 24, 0x20, rleTgaBody(tgaRows))},
        {"pcx 8-bit planes", KDGL_FORMAT_PCX, pcxFile(kW, kH, 8, 3, kW, pcx8bit)},
        {"pcx 1-bit planes", KDGL_FORMAT_PCX, pcx1bitFile},
    };
}

// As32 decodes 3-byte pictures straight to 4 bytes; As24 keeps 3. Both must agree, from
// memory and from a file, at every SIMD level.
TEST(WideningReaders, As32IsAs24WithOpaqueAlphaAtEveryLevel) {
    LevelGuard guard;
    kvtest::TempDir dir;
    const char* endings[] = {"bmp", "cel", "jpg", "pcx", "tga"};
    for (const Case& c : threeByteFiles()) {
        const std::string path = dir.file(std::string("in.") + endings[c.format]);
        kvtest::writeFile(path, c.file);
        for (const kdgl::Simd level : kLevels) {
            kdgl::capRowsSimd(level);
            SCOPED_TRACE(testing::Message() << c.name << " level " << int(kdgl::rowsSimd()));
            CKaldorGL gl;
            const auto size = uint32_t(c.file.size());
            ASSERT_EQ(gl.LoadImageFromMemAs24(c.file.data(), size, c.format), KDGL_OK);
            ASSERT_EQ(gl.canvas.width, kW);
            const Bytes rgb = takeCanvas(gl.canvas, kW * kH * 3);
            ASSERT_EQ(gl.LoadImageFromMemAs32(c.file.data(), size, c.format), KDGL_OK);
            EXPECT_EQ(gl.canvas.type, KDGL_TYPE_32BIT);
            EXPECT_EQ(takeCanvas(gl.canvas, kW * kH * 4), widen(rgb));
            ASSERT_EQ(gl.LoadImageFromFileAs32(path.c_str()), KDGL_OK);
            EXPECT_EQ(takeCanvas(gl.canvas, kW * kH * 4), widen(rgb));
            // The plain conversion of a 3-byte canvas gives the same.
            gl.canvas.data = static_cast<uint8_t*>(std::malloc(rgb.size()));
            std::memcpy(gl.canvas.data, rgb.data(), rgb.size());
            ASSERT_EQ(gl.FX_ChangeColorDepth(kW, kH, KDGL_TYPE_24BIT, KDGL_TYPE_32BIT, nullptr), KDGL_OK);
            EXPECT_EQ(takeCanvas(gl.canvas, kW * kH * 4), widen(rgb));
        }
    }
}

}  // namespace
