// The debug logs' common ground: a log file that is reopened, appended and closed around
// every write, so that it is complete on disk after each call, and the markup rules the
// logs share. Each log keeps its own texts, limits and state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kvsupport::log {

// What a log does to the text handed to it.
struct Markup {
    std::string_view lineBreak = "\n";  // what a line feed becomes
    char tilde = '~';                   // what a shown tilde becomes
    // "~...~" sections are left out, the closing tilde kept; an unclosed one runs to the end.
    bool hideTildeSections = false;
};

// `text` marked up, ending before the first piece (a character or a line break) that
// would take it past `limit` bytes.
std::string markUp(std::string_view text, const Markup& markup, size_t limit = SIZE_MAX);

// "[hh:mm:ss] " with blank-padded fields; with `htmlFont` (an opening font tag) the clock
// is italic inside that font.
std::string timeStamp(int hour, int minute, int second, std::string_view htmlFont = {});

// Creates or empties the log at `path` and writes `head`; false when either fails.
bool create(const char* path, std::string_view head);

// The log at `path` opened for appending, or null.
std::FILE* openForAppend(const char* path);

// Writes `pieces` in order and closes `file`; true when every byte reached the file.
bool writeAndClose(std::FILE* file, std::initializer_list<std::string_view> pieces);

// openForAppend and writeAndClose in one.
bool append(const char* path, std::string_view text);

}  // namespace kvsupport::log
