#include <tovren/tovren.h>

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>

namespace {

std::string message(uint32_t code) {
    char buffer[56];
    std::memset(buffer, 'z', sizeof buffer);
    TOVREN_ERROR_GetStringByCode(code, buffer);
    return buffer;
}

TEST(ErrorTexts, PrefixBySelectedGroup) {
    EXPECT_EQ(message(0x00000000), "Major: No errors");
    EXPECT_EQ(message(0x00000101), "Major: Memory allocation FAILED!");
    EXPECT_EQ(message(0x10000003), "Direct3D: No match adaptor!");
    EXPECT_EQ(message(0x10000104), "Direct3D: Sprite texture unlock failure!");
    // The longest text: 55 characters in the documented 56-byte buffer.
    EXPECT_EQ(message(0x2000000A), "Control: Set game controller cooperative level failure!");
    EXPECT_EQ(message(0x30000009), "Sound: Unknown format!");
    EXPECT_EQ(message(0x40000002), "XML: Group not found");
    EXPECT_EQ(message(0x50000002), "Texture: Create texture FAILED");
    EXPECT_EQ(message(0x60000001), "3D object: Unknown format!");
}

TEST(ErrorTexts, CodesWithoutMessage) {
    for (uint32_t code : {0x10000009u, 0x1000000Fu, 0x10000011u, 0x100000FFu, 0x00000007u,
                          0x70000001u, 0xFFFFFFFFu, 0x2000000Eu}) {
        EXPECT_EQ(message(code), "Unknown error!") << std::hex << code;
    }
}

TEST(TextHelpers, Long2HexAndStrTime) {
    char hex[9];
    TOVREN_Long2Hex(0x1A2B, hex);
    EXPECT_STREQ(hex, "00001A2B");
    TOVREN_Long2Hex(0, hex);
    EXPECT_STREQ(hex, "00000000");
    TOVREN_Long2Hex(0xDEADBEEF, hex);
    EXPECT_STREQ(hex, "DEADBEEF");
    EXPECT_TRUE(std::regex_match(TOVREN_StrTime(), std::regex(R"([0-2]\d:[0-5]\d:[0-5]\d)")));
}

}  // namespace
