// Pure text transforms of the debug log, kept apart from the file handling so that the
// byte-exact rules can be checked with chosen inputs (a fixed clock, hand-made texts).
#pragma once

#include <string>
#include <string_view>

namespace tovren::log {

// Line feed -> "<br />", "~" -> "%".
std::string toHtml(std::string_view text);
// "~...~" sections are dropped, keeping the closing tilde; an unclosed one runs to the end.
std::string toPlainText(std::string_view text);
// "[%2d:%2d:%2d] ", in gray italics for HTML.
std::string timeStamp(int hour, int minute, int second, bool html);

}  // namespace tovren::log
