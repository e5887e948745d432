#include <gtest/gtest.h>
#include <platform/gdi.h>

namespace {

TEST(CreateBitmap, PadsRowsToEvenBytesAndCopiesBits) {
    const uint8_t bits[] = {1, 2, 3, 0, 4, 5, 6, 0};  // 1 pixel of 24 bits, 2 rows, padded to 4
    HBITMAP bitmap = CreateBitmap(1, 2, 1, 24, bits);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->stride, 4u);
    EXPECT_EQ(bitmap->bits.size(), 8u);
    EXPECT_EQ(bitmap->bits[4], 4);
    EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(CreateBitmap, RefusesSizesItCannotHold) {
    EXPECT_EQ(CreateBitmap(0, 5, 1, 32, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(5, -1, 1, 32, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(5, 5, 1, 7, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(0x7FFFFFFF, 0x7FFFFFFF, 1, 32, nullptr), nullptr);
    EXPECT_FALSE(DeleteObject(nullptr));
}

}  // namespace
