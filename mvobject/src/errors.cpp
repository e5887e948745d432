#include <mvobject/mvobject.h>

#include <cstdio>
#include <cstring>

const uint32_t MVO_GetVersion = 35881;

namespace {
char g_errorText[64];
}

void MVO_GenerateErrorMessage(uint32_t code) {
    if (code == MVO_OK) {
        std::snprintf(g_errorText, sizeof g_errorText, "%s %s", "Main:", "No errors");
    } else {
        std::snprintf(g_errorText, sizeof g_errorText, "%s", "Unknown error!");
    }
}

void MVO_ERROR_GetStringByCode(uint32_t code, char* text) {
    MVO_GenerateErrorMessage(code);
    if (text) std::memcpy(text, g_errorText, std::strlen(g_errorText) + 1);
}
