// UTF-8 and UTF-16 conversion for the wide-string COM calls.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Both refuse malformed input (overlong forms, lone surrogates, values past U+10FFFF).
bool utf8ToUtf16(std::string_view text, std::u16string& out);
bool utf16ToUtf8(std::u16string_view text, std::string& out);

}  // namespace platform
