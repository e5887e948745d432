// The debug log: reopened, appended and closed around every write, so that the file is
// complete on disk after each call.
#include <limno/limno.h>

#include <platform/time.h>
#include <platform/ui.h>

#include <cstdio>
#include <cstring>

namespace {

char g_logName[260];
int32_t g_logFlags = 0;

constexpr size_t kMaxConverted = 1000;
constexpr size_t kMaxLine = 1024;

void warn(const char* text) { MessageBoxA(nullptr, text, "ERROR!", MB_OK | MB_ICONWARNING); }

bool htmlMode() { return (g_logFlags & LIMNO_LOG_HTML) != 0; }
bool textMode() { return !htmlMode() && (g_logFlags & LIMNO_LOG_TEXT) != 0; }

// A bounded output text: it ends at the first piece that no longer fits whole.
struct Converted {
    char text[kMaxConverted + 1] = {};
    size_t length = 0;
    bool full = false;

    void append(const char* piece, size_t count) {
        if (full || length + count > kMaxConverted) {
            full = true;
            return;
        }
        std::memcpy(text + length, piece, count);
        length += count;
        text[length] = '\0';
    }
};

// Line feeds become "<br>".
void convertHtml(const char* text, Converted& out) {
    for (const char* c = text; *c; ++c) {
        if (*c == '\n') out.append("<br>", 4);
        else out.append(c, 1);
    }
}

// A tilde opens a left-out section and the next one closes it; the closing tilde stays.
void convertPlain(const char* text, Converted& out) {
    bool hidden = false;
    for (const char* c = text; *c; ++c) {
        if (*c == '~' && !hidden) {
            hidden = true;
            continue;
        }
        if (*c == '~') hidden = false;
        if (!hidden) out.append(c, 1);
    }
}

void writeTimeStamp(FILE* file) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const char* format = htmlMode() ? "<font color=gray><i>[%2d:%2d:%2d]</i></font> " : "[%2d:%2d:%2d] ";
    std::fprintf(file, format, now.wHour, now.wMinute, now.wSecond);
}

bool finish(FILE* file) {
    const bool written = std::ferror(file) == 0;
    return std::fclose(file) == 0 && written;
}

}  // namespace

bool Limno_DEBUG_Init(const char* fileName, int32_t flags) {
    if (flags == 0) return true;
    // A name that does not fit the stored setting would send later writes elsewhere.
    FILE* file = (fileName && std::strlen(fileName) < sizeof g_logName) ? std::fopen(fileName, "w") : nullptr;
    if (!file) {
        g_logFlags = 0;
        return false;
    }
    if (flags & LIMNO_LOG_HTML) {
        std::fputs("<html>\n<head><title>Debug logger file</title></head>\n"
                   "<body text=black bgcolor=white>\n<font size=2 face=Verdana>\n",
                   file);
    }
    std::fclose(file);
    std::snprintf(g_logName, sizeof g_logName, "%s", fileName);
    g_logFlags = flags;
    return true;
}

FILE* Limno_DEBUG_OpenDF() {
    FILE* file = g_logName[0] ? std::fopen(g_logName, "a") : nullptr;
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
    Converted converted;
    const char* source = text ? text : "";
    if (htmlMode()) {
        convertHtml(source, converted);
    } else if (textMode()) {
        convertPlain(source, converted);
    } else {
        warn("Debug mode is not set!");
        std::fclose(file);
        return false;
    }
    if (g_logFlags & LIMNO_LOG_TIME) writeTimeStamp(file);
    std::fputs(converted.text, file);
    return finish(file);
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
    if (htmlMode()) std::fputs("</font>\n</body></html>\n", file);
    return finish(file);
}
