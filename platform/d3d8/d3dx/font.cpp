#include "../device/device.h"

#include <platform/d3dx8.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace platform::d3d8 {

namespace {

class D3dxFont final : public RefCounted<ID3DXFont> {
public:
    D3dxFont(Device* device, std::unique_ptr<platform::Font> font) : font_(std::move(font)) {
        device_.reset(device);
    }

    HRESULT GetDevice(IDirect3DDevice8** device) override {
        if (!device) return D3DERR_INVALIDCALL;
        *device = device_.share();
        return D3D_OK;
    }

    HRESULT GetLogFont(LOGFONTA* logFont) override {
        if (!logFont) return D3DERR_INVALIDCALL;
        *logFont = font_->logFont;
        return D3D_OK;
    }

    HRESULT Begin() override { return D3D_OK; }
    HRESULT End() override { return D3D_OK; }
    HRESULT OnLostDevice() override { return D3D_OK; }
    HRESULT OnResetDevice() override { return D3D_OK; }

    INT DrawTextA(LPCSTR text, INT count, RECT* rect, DWORD format, D3DCOLOR color) override {
        if (!text || !rect) return 0;
        const size_t length = count < 0 ? std::strlen(text) : strnlen(text, static_cast<size_t>(count));
        const int32_t lineHeight = font_->lineHeight();
        const bool drawing = !(format & DT_CALCRECT);
        const raster::Target target = drawing ? device_.get()->drawTarget() : raster::Target{};
        const RECT clip = (format & DT_NOCLIP) ? target.clip : raster::intersect(target.clip, *rect);
        const PixelTarget pixels{target.color.bits, target.color.pitch, target.color.width, target.color.height};
        int64_t lines = 0, widest = 0;
        for (size_t start = 0; start <= length; ++lines) {
            const char* lineFeed = static_cast<const char*>(std::memchr(text + start, '\n', length - start));
            const size_t end = lineFeed ? static_cast<size_t>(lineFeed - text) : length;
            const size_t visible = end > start && text[end - 1] == '\r' ? end - 1 : end;  // CR LF endings
            const int64_t y = int64_t(rect->top) + lines * lineHeight;
            if (!drawing)
                widest = std::max<int64_t>(widest, font_->measureLine(text + start, visible - start));
            else if (y < clip.bottom && y + lineHeight > clip.top)
                font_->drawLine(pixels, rect->left, static_cast<int32_t>(y), text + start, visible - start, color,
                                clip);
            start = end + 1;
        }
        const int64_t height = std::min<int64_t>(lines * lineHeight, INT32_MAX);
        if (!drawing) {
            rect->right = static_cast<LONG>(std::min<int64_t>(int64_t(rect->left) + widest, INT32_MAX));
            rect->bottom = static_cast<LONG>(std::min<int64_t>(int64_t(rect->top) + height, INT32_MAX));
        }
        return static_cast<INT>(height);
    }

private:
    ComRef<Device> device_;
    std::unique_ptr<platform::Font> font_;
};

}  // namespace

}  // namespace platform::d3d8

HRESULT D3DXCreateFont(IDirect3DDevice8* device, HFONT font, ID3DXFont** result) {
    using namespace platform::d3d8;
    if (!result) return D3DERR_INVALIDCALL;
    *result = nullptr;
    Device* own = dynamic_cast<Device*>(device);
    if (!own || !font) return D3DERR_INVALIDCALL;
    auto copy = std::unique_ptr<platform::Font>(new (std::nothrow) platform::Font(font->logFont));
    if (!copy || !copy->valid()) return D3DXERR_INVALIDDATA;
    *result = new (std::nothrow) D3dxFont(own, std::move(copy));
    return *result ? D3D_OK : E_OUTOFMEMORY;
}
