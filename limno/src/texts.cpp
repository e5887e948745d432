#include <limno/limno.h>

#include <platform/time.h>

#include "status.h"

#include <cstdio>

const uint32_t Limno_GetVersion = 0x8618;

namespace {

char g_message[1024];
// The status of the last Init or GetData.
uint32_t g_lastError = 0;

const char* groupPrefix(uint32_t code) {
    switch (code >> 24) {
    case 0x00: return "Main:";
    case 0x10: return "Socket:";
    default: return "";
    }
}

const char* messageText(uint32_t code) {
    switch (code) {
    case 0: return "No errors";
    case 1: return "Number overflow!";
    case 0x01000001: return "Wrong file name!";
    case LIMNO_ERR_SOCKET: return "Socket or host name failure!";
    case LIMNO_ERR_CONNECT: return "Connection failed!";
    case LIMNO_ERR_REQUEST: return "Control character in the request!";
    case LIMNO_ERR_INCOMPLETE: return "Incomplete reply!";
    default: return "Unknown error!";
    }
}

}  // namespace

namespace limno {
uint32_t recordStatus(uint32_t status) {
    g_lastError = status;
    return status;
}
}  // namespace limno

void Limno_GenerateErrorMessage() {
    std::snprintf(g_message, sizeof g_message, "Unknown error!");
    std::snprintf(g_message, sizeof g_message, "%s %s", groupPrefix(g_lastError), messageText(g_lastError));
}

const char* Limno_GetErrorMessage() { return g_message; }

const char* Limno_Long2Hex(uint32_t value) {
    static char text[9];
    static const char digits[] = "0123456789ABCDEF";
    for (int i = 7; i >= 0; --i) {
        text[i] = digits[value & 0xF];
        value >>= 4;
    }
    text[8] = '\0';
    return text;
}

const char* Limno_StrTime() {
    static char text[16];
    SYSTEMTIME now{};
    GetLocalTime(&now);
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", unsigned{now.wHour} % 100u, unsigned{now.wMinute} % 100u,
                  unsigned{now.wSecond} % 100u);
    return text;
}
