#include <kaldorgl/kdgl_core.h>

#include <support/log_file.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr size_t kMessageSize = 2048;

// Messages longer than the buffer are cut at kMessageSize - 1 characters.
void formatInto(char (&out)[kMessageSize], const char* format, va_list args) {
    std::vsnprintf(out, sizeof out, format ? format : "", args);
}

}  // namespace

void CKDGL_DEBUG::Init() {
    if (initialised) return;
    initialised = 1;
    std::snprintf(path, sizeof path, "%s", "KaldorGL_debug.htm");
    kvsupport::log::create(path,
                           "<html>\n<head>\n<title>Kaldor Graphic Library debug</title>\n</head>\n\n"
                           "<body text=black bgcolor=white>\n\n"
                           "<h2>Kaldor Graphic Library debug</h2>\n<font size=2 color=silver face=Verdana>"
                           "Messages of the KaldorGL image library, oldest first."
                           "<br /><br /></font>\n\n<hr size=1>\n\n");
}

void CKDGL_DEBUG::Write(const char* format, ...) {
    char message[kMessageSize];
    va_list args;
    va_start(args, format);
    formatInto(message, format, args);
    va_end(args);
    std::string html = kvsupport::log::markUp(message, {.lineBreak = "<br />"});
    if (html.size() >= kMessageSize) html.resize(kMessageSize - 1);
    kvsupport::log::append(path, html);
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
