// TrueType text drawn through the shared device.
#pragma once

#include <tovren/debug.h>

#include <platform/d3dx8.h>

#include <cstdint>

class cTOVREN_FontTTF {
public:
    ID3DXFont* font = nullptr;

    cTOVREN_FontTTF() = default;
    cTOVREN_FontTTF(const cTOVREN_FontTTF&) = default;
    cTOVREN_FontTTF& operator=(const cTOVREN_FontTTF&) = default;
    virtual ~cTOVREN_FontTTF();  // releases nothing: call Release

    // `height` as GDI takes it (negative: character height in pixels); bold == 1 is weight
    // 700, anything else 400. Unknown faces fall back to a sans face. Always 0.
    uint32_t Create(const char* face, int height, int bold);
    // Draws the formatted text (cut at 1023 characters) from the rectangle's top-left,
    // breaking lines only at line feeds, without clipping.
    void Print(RECT rect, uint32_t color, const char* format, ...) TOVREN_PRINTF(4, 5);
    void Release();
};
