// Limno: a minimal HTTP/1.1 client over one TCP connection, and a small debug log.
//
//   cLIMNO_SOCKET s;
//   if (s.Init("example.org:8080") == LIMNO_OK) {
//       s.GetData(buffer, sizeof buffer, "news/version.txt", LIMNO_METHOD_GET);
//       // buffer holds the raw reply (status line, headers, body), zero-terminated;
//       // s.received tells its length and s.truncated whether it was cut to fit.
//   }
//   s.Unlink();
//
// The log settings, the message buffer and the static texts are process-wide: use the
// library from one thread at a time.
#pragma once

#include <cstdint>
#include <cstdio>

// Status codes of the socket operations.
constexpr uint32_t LIMNO_OK = 0;
constexpr uint32_t LIMNO_ERR_SOCKET = 0x10000001;   // no socket, or the host name did not resolve
constexpr uint32_t LIMNO_ERR_CONNECT = 0x10000002;  // the connection failed or timed out
constexpr uint32_t LIMNO_ERR_REQUEST = 0x10000003;  // a control character in the path: nothing sent
constexpr uint32_t LIMNO_ERR_INCOMPLETE = 0x10000004;  // the reply did not arrive whole (see GetData)

// GetData methods: 2 sends POST, every other value GET.
constexpr int32_t LIMNO_METHOD_GET = 1;
constexpr int32_t LIMNO_METHOD_POST = 2;

// Debug log flags.
constexpr int32_t LIMNO_LOG_TIME = 4;   // time stamp before every write
constexpr int32_t LIMNO_LOG_TEXT = 8;   // plain-text log
constexpr int32_t LIMNO_LOG_HTML = 16;  // HTML log (wins over LIMNO_LOG_TEXT)

constexpr uint32_t LIMNO_DEFAULT_TIMEOUT_MS = 5000;
constexpr uint32_t LIMNO_DEFAULT_REPLY_TIMEOUT_MS = 60000;

class cLIMNO_SOCKET {
public:
    char host[512];             // what Init was given ("name" or "name:port")
    int32_t sock;               // socket descriptor, -1 when none
    uint32_t received;          // bytes GetData stored, terminator not counted
    bool truncated;             // the reply did not fit and was cut
    uint32_t connectTimeoutMs;  // limit for Init's connection
    uint32_t receiveTimeoutMs;  // limit for each send and each receive in GetData
    uint32_t replyTimeoutMs;    // limit for GetData as a whole, against servers that trickle

    cLIMNO_SOCKET();
    virtual ~cLIMNO_SOCKET();  // closes nothing: call Unlink

    // Resolves the host ("name", "name:port", "[v6]:port"; port 80 by default) and connects.
    // A name holding a control character is refused (LIMNO_ERR_SOCKET).
    uint32_t Init(const char* host);
    // Sends "<GET|POST> /<path> HTTP/1.1", the Host line and an empty line, then reads the
    // reply until the server closes, the Content-Length or the last chunk has arrived, or a
    // time-out passes. Writes at most bufferSize bytes, terminator included. 0 only for a
    // whole reply; LIMNO_ERR_INCOMPLETE when it timed out, the server closed before the
    // declared length or the last chunk, or the buffer was too small (what arrived is still
    // in the buffer); LIMNO_ERR_REQUEST, sending nothing, for a path holding CR, LF or any
    // other control character; LIMNO_ERR_SOCKET without a connection.
    uint32_t GetData(char* buffer, uint32_t bufferSize, const char* path, int32_t method);
    // Clears host and closes the socket. Always 0.
    uint32_t Unlink();
};

bool Limno_DEBUG_Init(const char* fileName, int32_t flags);
FILE* Limno_DEBUG_OpenDF();
void Limno_DEBUG_CloseDF(FILE* file);
// The text is written as it stands; it is not a format. The further arguments are unused.
bool Limno_DEBUG_Print(const char* text, ...);
bool Limno_DEBUG_Println(const char* text, ...);
bool Limno_DEBUG_PrintErrorCode(const char* text, ...);  // writes nothing
bool Limno_DEBUG_Close();

// Fills the message buffer with the text of the library's last-error value: the status of
// the last Init or GetData.
void Limno_GenerateErrorMessage();
const char* Limno_GetErrorMessage();

// Eight upper-case hexadecimal digits, in a static buffer.
const char* Limno_Long2Hex(uint32_t value);
// The local time as "HH:MM:SS", in a static buffer.
const char* Limno_StrTime();

// The library version, 0x8618.
extern const uint32_t Limno_GetVersion;
