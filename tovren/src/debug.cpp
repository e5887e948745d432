#include <tovren/debug.h>

#include "log_format.h"

#include <platform/time.h>
#include <platform/ui.h>

#include <algorithm>
#include <cstdarg>
#include <string>

const uint32_t TOVREN_GetVersion = 0x00009731;

namespace {

constexpr size_t kMaxText = 1023;
constexpr size_t kMaxFileName = 259;

// One log per process; the engine runs on one thread.
struct LogSettings {
    std::string fileName;
    int flags = 0;
};
LogSettings g_log;

bool htmlMode() { return (g_log.flags & TOVREN_DEBUG_HTML) != 0; }
bool textMode() { return (g_log.flags & TOVREN_DEBUG_TEXT) != 0; }

std::string formatV(const char* format, va_list args) {
    if (!format) return {};
    char buffer[kMaxText + 1];
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (n < 0) return {};
    return std::string(buffer, std::min(static_cast<size_t>(n), kMaxText));
}

std::string format(const char* fmt, ...) TOVREN_PRINTF(1, 2);
std::string format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string text = formatV(fmt, args);
    va_end(args);
    return text;
}

bool writeRaw(FILE* file, const std::string& bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

// The common tail of every write: stamp, mode conversion, append, close.
bool writeText(const std::string& text) {
    FILE* file = TOVREN_DEBUG_OpenDF();
    if (!file) return false;
    std::string converted;
    if (htmlMode()) {
        converted = tovren::log::toHtml(text);
    } else if (textMode()) {
        converted = tovren::log::toPlainText(text);
    } else {
        MessageBoxA(nullptr, "Debug mode is not set!", "ERROR!", MB_OK | MB_ICONEXCLAMATION);
        TOVREN_DEBUG_CloseDF(file);
        return false;
    }
    if (g_log.flags & TOVREN_DEBUG_TIMESTAMP) {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        writeRaw(file, tovren::log::timeStamp(now.wHour, now.wMinute, now.wSecond, htmlMode()));
    }
    const bool written = writeRaw(file, converted);
    TOVREN_DEBUG_CloseDF(file);
    return written;
}

// Every line written through Println starts with a bare newline in the file.
bool writeLine(const std::string& text) {
    FILE* file = TOVREN_DEBUG_OpenDF();
    if (!file) return false;
    std::fputc('\n', file);
    TOVREN_DEBUG_CloseDF(file);
    return writeText(text + (htmlMode() ? "<br />" : "\r\n"));
}

}  // namespace

namespace tovren::log {

std::string toHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\n') {
            out += "<br />";
        } else {
            out += c == '~' ? '%' : c;
        }
    }
    return out;
}

std::string toPlainText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool hidden = false;
    for (char c : text) {
        if (c == '~' && !hidden) {
            hidden = true;
            continue;
        }
        if (c == '~') hidden = false;
        if (!hidden) out += c;
    }
    return out;
}

std::string timeStamp(int hour, int minute, int second, bool html) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer,
                  html ? "<font color=\"GRAY\"><i>[%2d:%2d:%2d]</i></font> " : "[%2d:%2d:%2d] ",
                  hour, minute, second);
    return buffer;
}

}  // namespace tovren::log

bool TOVREN_DEBUG_Init(const char* fileName, int flags) {
    if (flags == 0) return true;
    if (!fileName || std::char_traits<char>::length(fileName) > kMaxFileName) {
        g_log.flags = 0;
        return false;
    }
    FILE* file = std::fopen(fileName, "w");
    if (!file) {
        g_log.flags = 0;
        return false;
    }
    if (flags & TOVREN_DEBUG_HTML) {
        writeRaw(file,
                 "<html>\n<head><title>Debug logger file</title></head>\n"
                 "<body text=\"BLACK\" bgcolor=\"WHITE\">\n<font size=\"2\" face=\"Verdana\">\n");
    }
    std::fclose(file);
    g_log.fileName = fileName;
    g_log.flags = flags;
    return true;
}

FILE* TOVREN_DEBUG_OpenDF() {
    if (g_log.fileName.empty()) return nullptr;
    return std::fopen(g_log.fileName.c_str(), "a");
}

void TOVREN_DEBUG_CloseDF(FILE* file) {
    if (file) std::fclose(file);
}

bool TOVREN_DEBUG_Print(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    const std::string text = formatV(fmt, args);
    va_end(args);
    return writeText(text);
}

bool TOVREN_DEBUG_Println(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    const std::string text = formatV(fmt, args);
    va_end(args);
    return writeLine(text);
}

bool TOVREN_DEBUG_PrintErrorCode(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    const std::string text = formatV(fmt, args);
    va_end(args);
    writeText("<b><font color=\"RED\">");
    writeText(text);
    writeLine("</font></b>");
    return true;
}

bool TOVREN_DEBUG_CreateSection(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    const std::string title = formatV(fmt, args);
    va_end(args);
    if (!htmlMode()) return writeLine(format("*** %s ***", title.c_str()));

    static const char* const kBlackRow =
        "<tr><td bgcolor=\"BLACK\" width=\"1\"></td><td bgcolor=\"BLACK\"></td>"
        "<td bgcolor=\"BLACK\" width=\"1\"></td></tr>";
    const std::string fragments[] = {
        "<table width=\"99~\" align=\"center\" cellpadding=\"0\" cellspacing=\"0\" border=\"0\">",
        kBlackRow,
        format("<tr><td bgcolor=\"BLACK\" width=\"1\"></td><td bgcolor=\"#306090\"><font "
               "color=\"YELLOW\" size=\"2\"><b>%s</b></font></td><td bgcolor=\"BLACK\" "
               "width=\"1\"></td></tr>",
               title.c_str()),
        kBlackRow,
        "<tr><td bgcolor=\"BLACK\" width=\"1\"></td><td bgcolor=\"WHITE\"><font "
        "face=\"Verdana\" size=\"2\">",
    };
    for (const std::string& fragment : fragments) {
        if (!writeText(fragment)) return false;
    }
    return true;
}

bool TOVREN_DEBUG_CloseSection() {
    if (!htmlMode()) return writeLine("*** End of Section ***");
    return writeText("</font></td><td bgcolor=\"BLACK\" width=\"1\"></td></tr>") &&
           writeLine("<tr><td bgcolor=\"BLACK\" width=\"1\" height=\"1\"></td><td "
                     "bgcolor=\"BLACK\"></td><td bgcolor=\"BLACK\" width=\"1\"></td></tr></table>");
}

bool TOVREN_DEBUG_Close() {
    FILE* file = TOVREN_DEBUG_OpenDF();
    if (!file) return false;
    if (htmlMode()) writeRaw(file, "</font>\n</body></html>\n");
    TOVREN_DEBUG_CloseDF(file);
    return true;
}
