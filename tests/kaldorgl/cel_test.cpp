#include "kaldorgl_fixture.h"

#include <gtest/gtest.h>

using namespace kdgltest;

namespace {

Bytes celFile(uint16_t width, uint16_t height, const Bytes& pixels) {
    Bytes out = {0x19, 0x91};
    kvtest::put16(out, width);
    kvtest::put16(out, height);
    out.resize(800, 0);
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

TEST(CelReader, WidensThePaletteAndCopiesIndices) {
    Bytes file = celFile(2, 2, {0, 1, 2, 3});
    file[32 + 3] = 63;
    file[32 + 4] = 0;
    file[32 + 5] = 32;
    CCodecCEL codec;
    ASSERT_EQ(codec.LoadFromMemory(file.data(), uint32_t(file.size())), KDGL_OK);
    Owned owned(codec.data);
    EXPECT_EQ(bytesOf(owned.get(), 4), (Bytes{0, 1, 2, 3}));
    EXPECT_EQ(codec.header.width, 2);
    EXPECT_EQ(codec.header.palette[3], 252);
    EXPECT_EQ(codec.header.palette[4], 0);
    EXPECT_EQ(codec.header.palette[5], 128);
}

TEST(CelReader, RefusesBadMagicEmptyAndCutFiles) {
    CCodecCEL codec;
    Bytes bad = celFile(1, 1, {0});
    bad[1] = 0x92;
    EXPECT_EQ(codec.LoadFromMemory(bad.data(), uint32_t(bad.size())), KDGL_ERR_STRUCTURE);
    Bytes empty = celFile(0, 5, {});
    EXPECT_EQ(codec.LoadFromMemory(empty.data(), uint32_t(empty.size())), KDGL_ERR_STRUCTURE);
    Bytes cut = celFile(4, 4, Bytes(15, 0));
    EXPECT_EQ(codec.LoadFromMemory(cut.data(), uint32_t(cut.size())), KDGL_ERR_FILE_SIZE);
    EXPECT_EQ(codec.LoadFromMemory(cut.data(), 799), KDGL_ERR_FILE_SIZE);
    Bytes huge = celFile(65535, 65535, {});
    EXPECT_EQ(codec.LoadFromMemory(huge.data(), uint32_t(huge.size())), KDGL_ERR_FILE_SIZE);
    EXPECT_EQ(codec.data, nullptr);
}

TEST(CelReader, ASecondLoadReleasesTheFirstBuffer) {
    const Bytes file = celFile(1, 1, {9});
    CCodecCEL codec;
    ASSERT_EQ(codec.LoadFromMemory(file.data(), uint32_t(file.size())), KDGL_OK);
    ASSERT_EQ(codec.LoadFromMemory(file.data(), uint32_t(file.size())), KDGL_OK);  // LeakSanitizer
    Owned owned(codec.data);
    EXPECT_EQ(owned.get()[0], 9);
}

}  // namespace
