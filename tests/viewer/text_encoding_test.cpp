#include "text_encoding.h"

#include <gtest/gtest.h>

using kviewer::cp1251ToUtf8;
using kviewer::cutToChars;
using kviewer::isValidUtf8;
using kviewer::toUtf8;

TEST(TextEncoding, RecognisesWellFormedUtf8Only) {
    EXPECT_TRUE(isValidUtf8("plain ascii"));
    EXPECT_TRUE(isValidUtf8("\xD0\x9F\xD1\x80\xD0\xB8"));  // Cyrillic
    EXPECT_TRUE(isValidUtf8("\xE2\x82\xAC \xF0\x9F\x98\x80"));
    EXPECT_FALSE(isValidUtf8("\xC0\x80"));          // overlong NUL
    EXPECT_FALSE(isValidUtf8("\xE0\x80\xAF"));      // overlong slash
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(isValidUtf8("\x80"));              // stray continuation
    EXPECT_FALSE(isValidUtf8("\xD0"));              // cut short at the end
    EXPECT_FALSE(isValidUtf8("\xCF\xF0\xE8\xE2\xE5\xF2"));  // "Привет" in code page 1251
}

TEST(TextEncoding, ConvertsCodePage1251) {
    EXPECT_EQ(cp1251ToUtf8("\xCF\xF0\xE8\xE2\xE5\xF2"), "Привет");
    EXPECT_EQ(cp1251ToUtf8("\xA8\xB8\xB9\x88"), "Ёё№€");
    EXPECT_EQ(cp1251ToUtf8("\xC0\xFF"), "Ая");
    EXPECT_EQ(cp1251ToUtf8("\x98"), "\xEF\xBF\xBD");
    EXPECT_EQ(toUtf8("\xD4\xE0\xE9\xEB"), "Файл");
    EXPECT_EQ(toUtf8("Файл"), "Файл");
}

TEST(TextEncoding, CutsWholeCharacters) {
    EXPECT_EQ(cutToChars("abcdef", 3), "abc");
    EXPECT_EQ(cutToChars("Привет", 2), "Пр");
    EXPECT_EQ(cutToChars("ab", 5), "ab");
    EXPECT_EQ(cutToChars("x", 0), "");
}
