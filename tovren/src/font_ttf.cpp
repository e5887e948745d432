#include <tovren/font_ttf.h>

#include "device_set.h"

#include <platform/gdifont.h>

#include <cstdarg>
#include <cstdio>

using tovren::devices;
using tovren::releaseAndClear;

cTOVREN_FontTTF::~cTOVREN_FontTTF() = default;

uint32_t cTOVREN_FontTTF::Create(const char* face, int height, int bold) {
    Release();
    IDirect3DDevice8* device = devices().device;
    if (!device) return TOVREN_OK;
    HFONT gdiFont = CreateFontA(height, 0, 0, 0, bold == 1 ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DRAFT_QUALITY,
                                VARIABLE_PITCH, face ? face : "");
    if (!gdiFont) return TOVREN_OK;
    if (FAILED(D3DXCreateFont(device, gdiFont, &font))) font = nullptr;
    // The D3DX font keeps its own copy of the face.
    DeleteObject(gdiFont);
    return TOVREN_OK;
}

void cTOVREN_FontTTF::Print(RECT rect, uint32_t color, const char* format, ...) {
    if (!font || !format) return;
    char text[1024];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length < 0) return;
    font->Begin();
    font->DrawTextA(text, static_cast<INT>(std::char_traits<char>::length(text)), &rect, DT_NOCLIP, color);
    font->End();
}

void cTOVREN_FontTTF::Release() { releaseAndClear(font); }
