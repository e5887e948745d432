#include <support/bytes.h>

#include <gtest/gtest.h>

#include <array>

using kvsupport::ByteCursor;
using kvsupport::ByteWriter;

TEST(ByteCursor, ReadsLittleEndianFieldsThenZerosPastTheEnd) {
    const uint8_t data[] = {0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xAB, 0xCD};
    ByteCursor in(data, sizeof data);
    EXPECT_EQ(in.u8(), 0x01);
    EXPECT_EQ(in.le16(), 0x1234);
    EXPECT_EQ(in.le32(), 0x12345678u);
    EXPECT_EQ(in.left(), 2u);
    // A field cut by the end keeps its bytes that are there; the rest read as 0.
    EXPECT_EQ(in.le32(), 0xCDABu);
    EXPECT_EQ(in.position(), sizeof data);
    EXPECT_EQ(in.le16(), 0);
    EXPECT_EQ(in.position(), sizeof data);
}

TEST(ByteCursor, BytesAndSkipsStopAtTheEnd) {
    const uint8_t data[] = {1, 2, 3, 4, 5};
    ByteCursor in(data, sizeof data, 1);
    in.skip(1);
    std::array<uint8_t, 6> out;
    out.fill(0xEE);
    in.bytes(out.data(), out.size());
    EXPECT_EQ(out, (std::array<uint8_t, 6>{3, 4, 5, 0, 0, 0}));
    EXPECT_EQ(in.left(), 0u);
    in.skip(SIZE_MAX);
    EXPECT_EQ(in.position(), sizeof data);

    // A start past the end, a huge skip and missing data all leave nothing to read.
    ByteCursor late(data, sizeof data, 99);
    EXPECT_EQ(late.position(), sizeof data);
    ByteCursor skipped(data, sizeof data);
    skipped.skip(SIZE_MAX);
    EXPECT_EQ(skipped.u8(), 0);
    ByteCursor none(nullptr, 100);
    EXPECT_EQ(none.left(), 0u);
    EXPECT_EQ(none.le32(), 0u);
}

TEST(ByteWriter, WritesLittleEndianAndDropsWhatPassesTheEnd) {
    std::array<uint8_t, 8> out;
    out.fill(0xEE);
    ByteWriter w(out.data(), 7);
    w.u8(0x101);  // only the low byte
    w.le16(0x1234);
    w.skip(1);
    w.le32(0x12345678);  // its last byte falls past the end
    EXPECT_EQ(w.position(), 7u);
    w.bytes("xyz", 3);
    w.skip(SIZE_MAX);
    EXPECT_EQ(w.position(), 7u);
    EXPECT_EQ(out, (std::array<uint8_t, 8>{0x01, 0x34, 0x12, 0xEE, 0x78, 0x56, 0x34, 0xEE}));

    std::array<uint8_t, 4> cut{};
    ByteWriter part(cut.data(), 3);
    part.bytes("abcd", 4);
    EXPECT_EQ(cut, (std::array<uint8_t, 4>{'a', 'b', 'c', 0}));

    ByteWriter none(nullptr, 100);
    none.le32(1);
    none.bytes("abcd", 4);
    EXPECT_EQ(none.position(), 0u);
}
