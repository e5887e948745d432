// Theme files were written in code page 1251 before the suite moved to UTF-8; both are read.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kviewer {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view bytes);

// Every byte of code page 1251 becomes its UTF-8 form; the one unassigned byte (0x98)
// becomes U+FFFD.
std::string cp1251ToUtf8(std::string_view bytes);

// UTF-8 text as it is, anything else as code page 1251.
std::string toUtf8(std::string_view bytes);

// The first `maxChars` characters of UTF-8 text, never splitting a character.
std::string cutToChars(std::string_view text, std::size_t maxChars);

}  // namespace kviewer
