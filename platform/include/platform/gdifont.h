// GDI fonts: CreateFontA finds the face through fontconfig and FreeType renders it.
#pragma once

#include <platform/gdi.h>
#include <platform/wintypes.h>

#include <cstdint>
#include <memory>

constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr DWORD ANSI_CHARSET = 0;
constexpr DWORD DEFAULT_CHARSET = 1;
constexpr DWORD RUSSIAN_CHARSET = 204;
constexpr DWORD OUT_DEFAULT_PRECIS = 0;
constexpr DWORD CLIP_DEFAULT_PRECIS = 0;
constexpr DWORD DEFAULT_QUALITY = 0;
constexpr DWORD DRAFT_QUALITY = 1;
constexpr DWORD ANTIALIASED_QUALITY = 4;
constexpr DWORD DEFAULT_PITCH = 0;
constexpr DWORD FIXED_PITCH = 1;
constexpr DWORD VARIABLE_PITCH = 2;

struct LOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    char lfFaceName[32];
};

namespace platform {

// A target for glyph drawing: 32-bit pixels, bytes B, G, R, A.
struct PixelTarget {
    uint8_t* bits = nullptr;
    int32_t pitch = 0;
    int32_t width = 0;
    int32_t height = 0;
};

struct FontFace;  // FreeType face and metrics, private to the font code

// A font made by CreateFontA. Text is UTF-8; bytes that are not valid UTF-8 are taken as
// Windows-1251 characters, the code page of the suite's older texts.
class Font : public GdiObject {
public:
    explicit Font(const LOGFONTA& logFont);
    ~Font() override;

    LOGFONTA logFont{};

    bool valid() const { return face_ != nullptr; }
    // File of the face fontconfig chose (the fallback sans face when the name is unknown).
    const char* fileName() const;
    int32_t lineHeight() const;
    int32_t ascent() const;
    // Width of one line (no line feeds) in pixels.
    int32_t measureLine(const char* text, size_t length) const;
    // Draws one line with its top-left at (x, y), blending the antialiased coverage with
    // `color` (A8R8G8B8, its alpha scaling the coverage), clipped to `clip` and the target.
    void drawLine(const PixelTarget& target, int32_t x, int32_t y, const char* text, size_t length,
                  uint32_t color, const RECT& clip) const;

private:
    std::unique_ptr<FontFace> face_;
};

}  // namespace platform

using HFONT = platform::Font*;

// Makes a font; `height` > 0 is the cell height (ascent + descent) and < 0 the character
// height in pixels, as GDI takes them; 0 picks 16. Weights from 600 up are bold. An unknown
// face falls back to a sans face. Returns null only when no face at all can be loaded.
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outputPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName);
