#include <support/log_file.h>

namespace kvsupport::log {

std::string markUp(std::string_view text, const Markup& markup, size_t limit) {
    std::string out;
    out.reserve(text.size() < limit ? text.size() : limit);
    bool hidden = false;
    const auto add = [&](std::string_view piece) {
        if (piece.size() > limit - out.size()) return false;
        out += piece;
        return true;
    };
    for (const char c : text) {
        if (c == '~' && markup.hideTildeSections) {
            hidden = !hidden;
            if (hidden) continue;
        }
        if (hidden) continue;
        const char shown = c == '~' ? markup.tilde : c;
        if (!add(c == '\n' ? markup.lineBreak : std::string_view(&shown, 1))) break;
    }
    return out;
}

std::string timeStamp(int hour, int minute, int second, std::string_view htmlFont) {
    char clock[48];
    std::snprintf(clock, sizeof clock, "[%2d:%2d:%2d]", hour, minute, second);
    if (htmlFont.empty()) return std::string(clock) + " ";
    return std::string(htmlFont) + "<i>" + clock + "</i></font> ";
}

bool create(const char* path, std::string_view head) {
    std::FILE* file = path ? std::fopen(path, "wb") : nullptr;
    return file && writeAndClose(file, {head});
}

std::FILE* openForAppend(const char* path) { return path ? std::fopen(path, "ab") : nullptr; }

bool writeAndClose(std::FILE* file, std::initializer_list<std::string_view> pieces) {
    bool written = true;
    for (const std::string_view piece : pieces) {
        if (piece.empty()) continue;
        written = std::fwrite(piece.data(), 1, piece.size(), file) == piece.size() && written;
    }
    return std::fclose(file) == 0 && written;
}

bool append(const char* path, std::string_view text) {
    std::FILE* file = openForAppend(path);
    return file && writeAndClose(file, {text});
}

}  // namespace kvsupport::log
