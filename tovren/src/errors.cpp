#include <tovren/debug.h>

#include <platform/time.h>

#include <cstring>

namespace {

struct CodeText {
    uint32_t code;
    const char* text;
};

constexpr CodeText kMessages[] = {
    {0x00000000, "No errors"},
    {0x00000001, "Number overflow!"},
    {0x00000002, "Wrong file name!"},
    {0x00000003, "Opening file failed!"},
    {0x00000004, "Create file failed!"},
    {0x00000005, "File read failure!"},
    {0x00000006, "Wrong file size!"},
    {0x00000101, "Memory allocation FAILED!"},
    {0x00000102, "Wrong pointer!"},
    {0x10000001, "Create Direct3D device failure!"},
    {0x10000002, "Adaptor enumiration failure!"},
    {0x10000003, "No match adaptor!"},
    {0x10000004, "Wrong back buffer depth!"},
    {0x10000005, "Z-buffer unsupported format!"},
    {0x10000006, "Device caps no gets!"},
    {0x10000007, "Direct3D device failure!"},
    {0x10000008, "Wrong color format!"},
    {0x10000010, "Create vertex buffer failure!"},
    {0x10000101, "Create sprite failure!"},
    {0x10000102, "Create sprite texture failure!"},
    {0x10000103, "Sprite texture lock failure!"},
    {0x10000104, "Sprite texture unlock failure!"},
    {0x20000001, "Create direct input device failure!"},
    {0x20000002, "Create direct input keyboard device failure!"},
    {0x20000003, "Create direct input mouse device failure!"},
    {0x20000004, "Game controls no found!"},
    {0x20000005, "Wrong keyboard format!"},
    {0x20000006, "Wrong mouse format!"},
    {0x20000007, "Game controller format no match!"},
    {0x20000008, "Set keyboard cooperative level failure!"},
    {0x20000009, "Set mouse cooperative level failure!"},
    {0x2000000A, "Set game controller cooperative level failure!"},
    {0x2000000B, "Keyboard acquire failure!"},
    {0x2000000C, "Mouse acquire failure!"},
    {0x2000000D, "No game controller objects!"},
    {0x30000001, "Create Direct Sound device failure!"},
    {0x30000002, "Set DirectSound cooperative level failure!"},
    {0x30000003, "Create sound buffer failed!"},
    {0x30000004, "Wrong sound buffer format!"},
    {0x30000005, "Sound buffer lock failed!"},
    {0x30000006, "Sound buffer unlock failed!"},
    {0x30000007, "Wrong query interface!"},
    {0x30000008, "Playback sound buffer failed!"},
    {0x30000009, "Unknown format!"},
    {0x40000001, "Wrong format or character sets!"},
    {0x40000002, "Group not found"},
    {0x50000001, "Unknown texture format"},
    {0x50000002, "Create texture FAILED"},
    {0x50000101, "Wrong image header"},
    {0x50000102, "Image decompression error"},
    {0x60000001, "Unknown format!"},
    {0x60000002, "Wrong header!"},
    {0x60000003, "Unsupported version!"},
    {0x60000004, "Wrong object count!"},
    {0x60000005, "Wrong vertex count!"},
};

const char* groupPrefix(uint32_t code) {
    switch (code >> 24) {
    case 0x00: return "Major:";
    case 0x10: return "Direct3D:";
    case 0x20: return "Control:";
    case 0x30: return "Sound:";
    case 0x40: return "XML:";
    case 0x50: return "Texture:";
    case 0x60: return "3D object:";
    default: return "";
    }
}

char g_message[1024];

}  // namespace

void TOVREN_GenerateErrorMessage(uint32_t code) {
    std::snprintf(g_message, sizeof g_message, "%s", "Unknown error!");
    for (const CodeText& entry : kMessages) {
        if (entry.code == code) {
            std::snprintf(g_message, sizeof g_message, "%s %s", groupPrefix(code), entry.text);
            return;
        }
    }
}

void TOVREN_ERROR_GetStringByCode(uint32_t code, char* buffer) {
    TOVREN_GenerateErrorMessage(code);
    if (buffer) std::memcpy(buffer, g_message, std::strlen(g_message) + 1);
}

void TOVREN_Long2Hex(uint32_t value, char* buffer) {
    if (!buffer) return;
    static const char kDigits[] = "0123456789ABCDEF";
    for (int i = 0; i < 8; ++i) buffer[i] = kDigits[(value >> (28 - 4 * i)) & 0xF];
    buffer[8] = '\0';
}

const char* TOVREN_StrTime() {
    static char text[16];
    SYSTEMTIME now{};
    GetLocalTime(&now);
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", now.wHour % 100u, now.wMinute % 100u,
                  now.wSecond % 100u);
    return text;
}
