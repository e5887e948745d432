// The engine's common ground: status codes and their texts, the optional debug log (HTML or
// plain text), the millisecond timer and the library version.
#pragma once

#include <cstdint>
#include <cstdio>

// 0x9731: major 0x97, minor 0x31.
extern const uint32_t TOVREN_GetVersion;

// Log flags for TOVREN_DEBUG_Init (other bits are kept and ignored).
constexpr int TOVREN_DEBUG_TIMESTAMP = 4;
constexpr int TOVREN_DEBUG_TEXT = 8;
constexpr int TOVREN_DEBUG_HTML = 16;  // wins over TOVREN_DEBUG_TEXT

// Status codes: the top byte names the group, 0 is success.
constexpr uint32_t TOVREN_OK = 0x00000000;
constexpr uint32_t TOVREN_ERR_NUMBER_OVERFLOW = 0x00000001;
constexpr uint32_t TOVREN_ERR_WRONG_FILE_NAME = 0x00000002;
constexpr uint32_t TOVREN_ERR_OPEN_FILE = 0x00000003;
constexpr uint32_t TOVREN_ERR_CREATE_FILE = 0x00000004;
constexpr uint32_t TOVREN_ERR_FILE_READ = 0x00000005;
constexpr uint32_t TOVREN_ERR_FILE_SIZE = 0x00000006;
constexpr uint32_t TOVREN_ERR_MEMORY = 0x00000101;
constexpr uint32_t TOVREN_ERR_POINTER = 0x00000102;
constexpr uint32_t TOVREN_ERR_D3D_CREATE = 0x10000001;
constexpr uint32_t TOVREN_ERR_D3D_ENUM_ADAPTER = 0x10000002;
constexpr uint32_t TOVREN_ERR_D3D_NO_ADAPTER = 0x10000003;
constexpr uint32_t TOVREN_ERR_D3D_BACKBUFFER_DEPTH = 0x10000004;
constexpr uint32_t TOVREN_ERR_D3D_ZBUFFER_FORMAT = 0x10000005;
constexpr uint32_t TOVREN_ERR_D3D_CAPS = 0x10000006;
constexpr uint32_t TOVREN_ERR_D3D_DEVICE = 0x10000007;
constexpr uint32_t TOVREN_ERR_D3D_COLOR_FORMAT = 0x10000008;
constexpr uint32_t TOVREN_ERR_D3D_VERTEX_BUFFER = 0x10000010;
constexpr uint32_t TOVREN_ERR_SPRITE_CREATE = 0x10000101;
constexpr uint32_t TOVREN_ERR_SPRITE_TEXTURE = 0x10000102;
constexpr uint32_t TOVREN_ERR_SPRITE_LOCK = 0x10000103;
constexpr uint32_t TOVREN_ERR_SPRITE_UNLOCK = 0x10000104;

#if defined(__GNUC__)
#define TOVREN_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define TOVREN_PRINTF(fmt, args)
#endif

// Creates (truncates) the log file and remembers it with the flags. Flags 0 changes nothing
// and returns true. A name of more than 259 characters or a file that cannot be created
// clears the flags and returns false.
bool TOVREN_DEBUG_Init(const char* fileName, int flags);

// Opens the log for appending; null when there is no log or it cannot be opened.
FILE* TOVREN_DEBUG_OpenDF();
void TOVREN_DEBUG_CloseDF(FILE* file);

// Each write opens, appends and closes the file, so the log is complete after every call.
// Formatted texts are cut at 1023 characters. In HTML mode a line feed becomes "<br />"
// and "~" a percent sign; in text mode "~...~" hides what is between the tildes.
bool TOVREN_DEBUG_Print(const char* format, ...) TOVREN_PRINTF(1, 2);
bool TOVREN_DEBUG_Println(const char* format, ...) TOVREN_PRINTF(1, 2);
bool TOVREN_DEBUG_PrintErrorCode(const char* format, ...) TOVREN_PRINTF(1, 2);
bool TOVREN_DEBUG_CreateSection(const char* format, ...) TOVREN_PRINTF(1, 2);
bool TOVREN_DEBUG_CloseSection();
// Writes the HTML footer; later writes still append after it.
bool TOVREN_DEBUG_Close();

// Fills the library's message buffer with "prefix message" for the code, or "Unknown error!".
void TOVREN_GenerateErrorMessage(uint32_t code);
// Copies that message into `buffer`, which holds at least 56 bytes.
void TOVREN_ERROR_GetStringByCode(uint32_t code, char* buffer);
// Eight upper-case hex digits and a terminator (nine bytes).
void TOVREN_Long2Hex(uint32_t value, char* buffer);
// "HH:MM:SS" local time, in a library buffer that the next call overwrites.
const char* TOVREN_StrTime();

// A millisecond timer on the process tick count. Plain data: Reset before use.
class cTOVREN_Timer {
public:
    int32_t startMark;
    int32_t lastReading;

    // True (and the mark moves to now) once at least `interval` ms passed since the mark.
    bool GetTimer(int interval);
    void Reset();
    // Seconds since the mark; the mark stays.
    float GetTimerShift();
};
