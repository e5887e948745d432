// The debug log: reopened, appended and closed around every write, so that the file is
// complete on disk after each call.
#include <limno/limno.h>

#include <platform/time.h>
#include <platform/ui.h>
#include <support/log_file.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

char g_logName[260];
int32_t g_logFlags = 0;

constexpr size_t kMaxConverted = 1000;
constexpr size_t kMaxLine = 1024;

void warn(const char* text) { MessageBoxA(nullptr, text, "ERROR!", MB_OK | MB_ICONWARNING); }

bool htmlMode() { return (g_logFlags & LIMNO_LOG_HTML) != 0; }
bool textMode() { return !htmlMode() && (g_logFlags & LIMNO_LOG_TEXT) != 0; }

kvsupport::log::Markup markup() {
    if (htmlMode()) return {.lineBreak = "<br>"};
    return {.hideTildeSections = true};
}

std::string timeStamp() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return kvsupport::log::timeStamp(now.wHour, now.wMinute, now.wSecond,
                                     htmlMode() ? "<font color=gray>" : "");
}

}  // namespace

bool Limno_DEBUG_Init(const char* fileName, int32_t flags) {
    if (flags == 0) return true;
    // A name that does not fit the stored setting would send later writes elsewhere.
    const bool fits = fileName && std::strlen(fileName) < sizeof g_logName;
    const char* head = (flags & LIMNO_LOG_HTML)
                           ? "<html>\n<head><title>Debug logger file</title></head>\n"
                             "<body text=black bgcolor=white>\n<font size=2 face=Verdana>\n"
                           : "";
    if (!fits || !kvsupport::log::create(fileName, head)) {
        g_logFlags = 0;
        return false;
    }
    std::snprintf(g_logName, sizeof g_logName, "%s", fileName);
    g_logFlags = flags;
    return true;
}

FILE* Limno_DEBUG_OpenDF() {
    FILE* file = g_logName[0] ? kvsupport::log::openForAppend(g_logName) : nullptr;
    if (!file) warn("Debug file can't be reopen!");
    return file;
}

void Limno_DEBUG_CloseDF(FILE* file) {
    if (file) std::fclose(file);
}

bool Limno_DEBUG_Print(const char* text, ...) {
    FILE* file = Limno_DEBUG_OpenDF();
    if (!file) {
        warn("Can't get debug file descriptor!");
        return false;
    }
    if (!htmlMode() && !textMode()) {
        warn("Debug mode is not set!");
        std::fclose(file);
        return false;
    }
    const std::string converted = kvsupport::log::markUp(text ? text : "", markup(), kMaxConverted);
    return kvsupport::log::writeAndClose(file, {(g_logFlags & LIMNO_LOG_TIME) ? timeStamp() : "", converted});
}

bool Limno_DEBUG_Println(const char* text, ...) {
    char line[kMaxLine];
    std::snprintf(line, sizeof line, htmlMode() ? "%s<br>\n" : "%s\r\n", text ? text : "");
    return Limno_DEBUG_Print(line);
}

bool Limno_DEBUG_PrintErrorCode(const char*, ...) { return true; }

bool Limno_DEBUG_Close() {
    FILE* file = Limno_DEBUG_OpenDF();
    if (!file) return false;
    return kvsupport::log::writeAndClose(file, {htmlMode() ? "</font>\n</body></html>\n" : ""});
}
