#include <kaldorgl/kdgl_core.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr size_t kMessageSize = 2048;

void appendToFile(const char* path, const char* text, const char* mode) {
    std::FILE* file = std::fopen(path, mode);
    if (!file) return;
    std::fputs(text, file);
    std::fclose(file);
}

// Messages longer than the buffer are cut at kMessageSize - 1 characters.
void formatInto(char (&out)[kMessageSize], const char* format, va_list args) {
    std::vsnprintf(out, sizeof out, format ? format : "", args);
}

}  // namespace

void CKDGL_DEBUG::Init() {
    if (initialised) return;
    initialised = 1;
    std::snprintf(path, sizeof path, "%s", "KaldorGL_debug.htm");
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return;
    std::fputs("<html>\n<head>\n<title>Kaldor Graphic Library debug</title>\n</head>\n\n", file);
    std::fputs("<body text=black bgcolor=white>\n\n", file);
    std::fputs("<h2>Kaldor Graphic Library debug</h2>\n<font size=2 color=silver face=Verdana>",
               file);
    std::fputs("Messages of the KaldorGL image library, oldest first."
               "<br /><br /></font>\n\n<hr size=1>\n\n",
               file);
    std::fclose(file);
}

void CKDGL_DEBUG::Write(const char* format, ...) {
    char message[kMessageSize];
    va_list args;
    va_start(args, format);
    formatInto(message, format, args);
    va_end(args);
    std::string html;
    html.reserve(std::strlen(message) + 32);
    for (const char* c = message; *c; ++c) {
        if (*c == '\n')
            html += "<br />";
        else
            html += *c;
    }
    if (html.size() >= kMessageSize) html.resize(kMessageSize - 1);
    appendToFile(path, html.c_str(), "ab");
}

void CKDGL_DEBUG::Writeln(const char* format, ...) {
    char message[kMessageSize];
    va_list args;
    va_start(args, format);
    formatInto(message, format, args);
    va_end(args);
    const size_t length = std::strlen(message);
    if (length + 1 < kMessageSize) {
        message[length] = '\n';
        message[length + 1] = '\0';
    } else {
        message[kMessageSize - 2] = '\n';
    }
    Write("%s", message);
}

void CKDGL_DEBUG::WriteError(const char* format, ...) {
    char message[kMessageSize];
    va_list args;
    va_start(args, format);
    formatInto(message, format, args);
    va_end(args);
    Writeln("<font color=red><b>ERROR</b>: %s</font>", message);
}
