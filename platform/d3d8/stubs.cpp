#include <platform/d3dx8.h>
#include <platform/window.h>

IDirect3D8* Direct3DCreate8(UINT) { return nullptr; }
HRESULT D3DXCreateSprite(IDirect3DDevice8*, ID3DXSprite**) { return E_NOTIMPL; }
HRESULT D3DXCreateFont(IDirect3DDevice8*, HFONT, ID3DXFont**) { return E_NOTIMPL; }
HRESULT D3DXCreateTexture(IDirect3DDevice8*, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DTexture8**) {
    return E_NOTIMPL;
}
HRESULT D3DXSaveSurfaceToFileA(LPCSTR, D3DXIMAGE_FILEFORMAT, IDirect3DSurface8*, const PALETTEENTRY*, const RECT*) {
    return E_NOTIMPL;
}
HFONT CreateFontA(int, int, int, int, int, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, LPCSTR) {
    return nullptr;
}
namespace platform {
struct FontFace {};
Font::Font(const LOGFONTA& lf) : logFont(lf) {}
Font::~Font() = default;
const char* Font::fileName() const { return ""; }
int32_t Font::lineHeight() const { return 0; }
int32_t Font::ascent() const { return 0; }
int32_t Font::measureLine(const char*, size_t) const { return 0; }
void Font::drawLine(const PixelTarget&, int32_t, int32_t, const char*, size_t, uint32_t, const RECT&) const {}
HWND createSdlWindow(const char*, int32_t, int32_t) { return nullptr; }
}  // namespace platform
