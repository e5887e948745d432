#include <tovren/debug.h>

#include "log_format.h"

#include <platform/time.h>
#include <platform/ui.h>
#include <support/log_file.h>

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
    std::string stamp;
    if (g_log.flags & TOVREN_DEBUG_TIMESTAMP) {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        stamp = tovren::log::timeStamp(now.wHour, now.wMinute, now.wSecond, htmlMode());
    }
    return kvsupport::log::writeAndClose(file, {stamp, converted});
}

// Every line written through Println starts with a bare newline in the file.
bool writeLine(const std::string& text) {
    FILE* file = TOVREN_DEBUG_OpenDF();
    if (!file) return false;
    kvsupport::log::writeAndClose(file, {"\n"});
    return writeText(text + (htmlMode() ? "<br />" : "\r\n"));
}

}  // namespace

namespace tovren::log {

std::string toHtml(std::string_view text) {
    return kvsupport::log::markUp(text, {.lineBreak = "<br />", .tilde = '%'});
}

std::string toPlainText(std::string_view text) {
    return kvsupport::log::markUp(text, {.hideTildeSections = true});
}

std::string timeStamp(int hour, int minute, int second, bool html) {
    return kvsupport::log::timeStamp(hour, minute, second, html ? "<font color=\"GRAY\">" : "");
}

}  // namespace tovren::log

bool TOVREN_DEBUG_Init(const char* fileName, int flags) {
    if (flags == 0) return true;
    if (!fileName || std::char_traits<char>::length(fileName) > kMaxFileName) {
        g_log.flags = 0;
        return false;
    }
    const char* head = (flags & TOVREN_DEBUG_HTML)
                           ? "<html>\n<head><title>Debug logger file</title></head>\n"
                             "<body text=\"BLACK\" bgcolor=\"WHITE\">\n<font size=\"2\" face=\"Verdana\">\n"
                           : "";
    if (!kvsupport::log::create(fileName, head)) {
        g_log.flags = 0;
        return false;
    }
    g_log.fileName = fileName;
    g_log.flags = flags;
    return true;
}

FILE* TOVREN_DEBUG_OpenDF() {
    if (g_log.fileName.empty()) return nullptr;
    return kvsupport::log::openForAppend(g_log.fileName.c_str());
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
    kvsupport::log::writeAndClose(file, {htmlMode() ? "</font>\n</body></html>\n" : ""});
    return true;
}
