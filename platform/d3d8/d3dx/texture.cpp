#include "../device/device.h"

#include <platform/d3dx8.h>
#include <support/bmp_header.h>
#include <support/rect.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t kPixelsPerMetre = 2835;  // 72 dpi

UINT defaultSize(UINT size) { return size == 0 || size == D3DX_DEFAULT ? 256 : size; }

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

}  // namespace

HRESULT D3DXCreateTexture(IDirect3DDevice8* device, UINT width, UINT height, UINT mipLevels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture) {
    if (!device || !texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (mipLevels == D3DX_DEFAULT) mipLevels = 0;
    if (!platform::d3d8::isColorFormat(format)) format = D3DFMT_A8R8G8B8;
    const HRESULT result =
        device->CreateTexture(defaultSize(width), defaultSize(height), mipLevels, usage, format, pool, texture);
    if (SUCCEEDED(result)) platform::d3d8::asTexture(*texture)->generateMipsOnWrite();
    return result;
}

HRESULT D3DXSaveSurfaceToFileA(LPCSTR fileName, D3DXIMAGE_FILEFORMAT format, IDirect3DSurface8* surface,
                               const PALETTEENTRY*, const RECT* sourceRect) {
    using namespace platform::d3d8;
    Surface* own = surface ? asSurface(surface) : nullptr;
    if (!fileName || !own || (format != D3DXIFF_BMP && format != D3DXIFF_DIB)) return D3DERR_INVALIDCALL;
    SurfaceData& data = own->data();
    if (data.isDepth() || data.locked) return D3DERR_INVALIDCALL;
    RECT area{0, 0, static_cast<LONG>(data.desc.Width), static_cast<LONG>(data.desc.Height)};
    if (sourceRect) {
        if (!kvsupport::liesWithin(*sourceRect, area)) return D3DERR_INVALIDCALL;
        area = *sourceRect;
    }
    const uint32_t width = area.right - area.left, height = area.bottom - area.top;
    const uint32_t bytesPerPixel = raster::hasAlpha(pixelFormat(data.desc.Format)) ? 4 : 3;
    const uint32_t stride = (width * bytesPerPixel + 3) & ~3u;
    uint8_t header[kvsupport::bmp::kHeadersSize];
    kvsupport::bmp::writeHeaders(header, width, height, bytesPerPixel * 8, stride * height, kPixelsPerMetre);

    std::unique_ptr<FILE, FileCloser> file(std::fopen(fileName, "wb"));
    if (!file) return D3DERR_INVALIDCALL;
    bool ok = std::fwrite(header, 1, sizeof header, file.get()) == sizeof header;
    std::vector<uint8_t> line(stride, 0);
    std::vector<uint32_t> scratch;
    for (uint32_t row = 0; ok && row < height; ++row) {
        const uint32_t* src = data.visibleRow(area.bottom - 1 - static_cast<LONG>(row), scratch) + area.left;
        for (uint32_t x = 0; x < width; ++x)
            for (uint32_t c = 0; c < bytesPerPixel; ++c)
                line[x * bytesPerPixel + c] = static_cast<uint8_t>(src[x] >> (8 * c));
        ok = std::fwrite(line.data(), 1, stride, file.get()) == stride;
    }
    ok = std::fclose(file.release()) == 0 && ok;
    if (!ok) std::remove(fileName);
    return ok ? D3D_OK : D3DERR_INVALIDCALL;
}
