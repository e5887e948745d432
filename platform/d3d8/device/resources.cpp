#include "resources.h"

#include <new>

#include <support/rect.h>

#include "../raster/texture.h"

namespace platform::d3d8 {

namespace {
constexpr UINT kMaxDimension = 16384;
}  // namespace

bool isColorFormat(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R8G8B8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4: return true;
    default: return false;
    }
}

bool isDepthFormat(D3DFORMAT format) {
    return format == D3DFMT_D16 || format == D3DFMT_D16_LOCKABLE || format == D3DFMT_D32 ||
           format == D3DFMT_D24S8 || format == D3DFMT_D24X8;
}

bool isDisplayFormat(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_R8G8B8 || format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5;
}

bool isBackBufferFormat(D3DFORMAT format) {
    return isDisplayFormat(format) || format == D3DFMT_A8R8G8B8 || format == D3DFMT_A1R5G5B5;
}

raster::PixelFormat pixelFormat(D3DFORMAT format) {
    using raster::PixelFormat;
    switch (format) {
    case D3DFMT_X8R8G8B8: return PixelFormat::Xrgb8888;
    case D3DFMT_R8G8B8: return PixelFormat::Rgb888;
    case D3DFMT_R5G6B5: return PixelFormat::Rgb565;
    case D3DFMT_X1R5G5B5: return PixelFormat::Xrgb1555;
    case D3DFMT_A1R5G5B5: return PixelFormat::Argb1555;
    case D3DFMT_A4R4G4B4: return PixelFormat::Argb4444;
    default: return PixelFormat::Argb8888;
    }
}

std::shared_ptr<SurfaceData> SurfaceData::create(UINT width, UINT height, D3DFORMAT format, DWORD usage,
                                                 D3DPOOL pool, D3DRESOURCETYPE type) {
    if (width == 0 || height == 0 || width > kMaxDimension || height > kMaxDimension) return nullptr;
    const bool depth = isDepthFormat(format);
    if (!isColorFormat(format) && !depth) return nullptr;
    const uint32_t workingBytes = format == D3DFMT_D16 || format == D3DFMT_D16_LOCKABLE ? 2 : 4;
    const uint32_t nativeBytes = depth ? 0 : raster::bytesPerPixel(pixelFormat(format));
    try {
        auto data = std::make_shared<SurfaceData>();
        data->pitch = static_cast<int32_t>(width * workingBytes);
        data->bits.assign(size_t(width) * workingBytes * height, 0);  // at most 2^30
        if (nativeBytes != 0 && nativeBytes != 4) {
            data->nativePitch = static_cast<int32_t>((width * nativeBytes + 3) & ~3u);
            data->native.assign(size_t(data->nativePitch) * height, 0);
        }
        const UINT size = depth || nativeBytes == 4 ? static_cast<UINT>(data->bits.size())
                                                    : static_cast<UINT>(data->native.size());
        data->desc = D3DSURFACE_DESC{format, type, usage, pool, size, D3DMULTISAMPLE_NONE, width, height};
        // A new surface is black; in formats without alpha that reads back as opaque.
        if (!depth && !raster::hasAlpha(pixelFormat(format)))
            for (UINT y = 0; y < height; ++y) std::fill(data->row(y), data->row(y) + width, 0xFF000000u);
        return data;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

const uint32_t* SurfaceData::visibleRow(int32_t y, std::vector<uint32_t>& scratch) {
    const raster::PixelFormat format = pixelFormat(desc.Format);
    if (format == raster::PixelFormat::Argb8888) return row(y);
    scratch.resize(desc.Width);
    const uint32_t* from = row(y);
    if (format == raster::PixelFormat::Xrgb8888) {
        for (UINT x = 0; x < desc.Width; ++x) scratch[x] = from[x] | 0xFF000000u;
    } else {
        for (UINT x = 0; x < desc.Width; ++x) scratch[x] = raster::roundTrip(format, from[x]);
    }
    return scratch.data();
}

HRESULT SurfaceData::lock(D3DLOCKED_RECT* result, const RECT* rect, DWORD flags) {
    if (!result || locked || isDepth()) return D3DERR_INVALIDCALL;
    RECT area{0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
    if (rect) {
        if (!kvsupport::liesWithin(*rect, area)) return D3DERR_INVALIDCALL;
        area = *rect;
    }
    lockedReadOnly = (flags & D3DLOCK_READONLY) != 0;
    lockedRect = area;
    if (native.empty()) {
        result->Pitch = pitch;
        result->pBits = bits.data() + static_cast<size_t>(area.top) * pitch + static_cast<size_t>(area.left) * 4;
    } else {
        const raster::PixelFormat format = pixelFormat(desc.Format);
        const uint32_t bytes = raster::bytesPerPixel(format);
        for (LONG y = area.top; y < area.bottom; ++y)
            raster::toNative(format, row(y) + area.left, native.data() + size_t(y) * nativePitch + area.left * bytes,
                             area.right - area.left);
        result->Pitch = nativePitch;
        result->pBits = native.data() + static_cast<size_t>(area.top) * nativePitch + static_cast<size_t>(area.left) * bytes;
    }
    locked = true;
    return D3D_OK;
}

HRESULT SurfaceData::unlock() {
    if (!locked) return D3DERR_INVALIDCALL;
    locked = false;
    if (lockedReadOnly) return D3D_OK;
    const raster::PixelFormat format = pixelFormat(desc.Format);
    if (!native.empty()) {
        const uint32_t bytes = raster::bytesPerPixel(format);
        for (LONG y = lockedRect.top; y < lockedRect.bottom; ++y)
            raster::fromNative(format, native.data() + size_t(y) * nativePitch + lockedRect.left * bytes,
                               row(y) + lockedRect.left, lockedRect.right - lockedRect.left);
    }
    uint32_t alphas = 0xFF000000u;
    for (size_t i = 0; i + 4 <= bits.size(); i += 4) alphas &= uint32_t(bits[i + 3]) << 24;
    allOpaque = alphas == 0xFF000000u || !raster::hasAlpha(format);
    if (onWritten) onWritten();
    return D3D_OK;
}

Surface::Surface(std::shared_ptr<SurfaceData> data, IUnknown* container)
    : data_(std::move(data)), container_(container) {
    if (container_) container_->AddRef();
}

Surface::~Surface() {
    if (container_) container_->Release();
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = data_->desc;
    return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    return data_->lock(locked, rect, flags);
}

HRESULT Surface::UnlockRect() { return data_->unlock(); }

Texture* Texture::create(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool) {
    if (!isColorFormat(format) || (usage & D3DUSAGE_DEPTHSTENCIL)) return nullptr;
    auto* texture = new (std::nothrow) Texture();
    if (!texture) return nullptr;
    for (UINT w = width, h = height;; w = w > 1 ? w / 2 : 1, h = h > 1 ? h / 2 : 1) {
        auto level = SurfaceData::create(w, h, format, usage, pool, D3DRTYPE_SURFACE);
        if (!level) {
            delete texture;
            return nullptr;
        }
        texture->levels_.push_back(std::move(level));
        if (texture->levels_.size() == levels || (w == 1 && h == 1)) break;
    }
    return texture;
}

void Texture::generateMipsOnWrite() {
    if (levels_.size() < 2) return;
    levels_[0]->onWritten = [this] {
        for (size_t i = 1; i < levels_.size(); ++i) raster::boxDownsample(levels_[i - 1]->colorView(), levels_[i]->colorView());
    };
}

HRESULT Texture::GetLevelDesc(UINT index, D3DSURFACE_DESC* desc) {
    if (!desc || !level(index)) return D3DERR_INVALIDCALL;
    *desc = level(index)->desc;
    return D3D_OK;
}

HRESULT Texture::GetSurfaceLevel(UINT index, IDirect3DSurface8** surface) {
    if (!surface || !level(index)) return D3DERR_INVALIDCALL;
    *surface = new (std::nothrow) Surface(levels_[index], this);
    return *surface ? D3D_OK : E_OUTOFMEMORY;
}

HRESULT Texture::LockRect(UINT index, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    return level(index) ? level(index)->lock(locked, rect, flags) : D3DERR_INVALIDCALL;
}

HRESULT Texture::UnlockRect(UINT index) { return level(index) ? level(index)->unlock() : D3DERR_INVALIDCALL; }

bool BufferBytes::allocate(UINT length) {
    if (length == 0 || length > (1u << 30)) return false;
    try {
        bytes_.assign(length, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

HRESULT BufferBytes::lock(UINT offsetToLock, UINT sizeToLock, BYTE** data) {
    if (!data || locked_) return D3DERR_INVALIDCALL;
    const uint64_t end = uint64_t(offsetToLock) + sizeToLock;
    if (offsetToLock >= bytes_.size() || end > bytes_.size()) return D3DERR_INVALIDCALL;
    *data = bytes_.data() + offsetToLock;
    locked_ = true;
    return D3D_OK;
}

HRESULT BufferBytes::unlock() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    return D3D_OK;
}

VertexBuffer* VertexBuffer::create(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool) {
    auto* buffer = new (std::nothrow) VertexBuffer();
    if (!buffer) return nullptr;
    if (!buffer->bytes_.allocate(length)) {
        delete buffer;
        return nullptr;
    }
    buffer->desc_ = D3DVERTEXBUFFER_DESC{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf};
    return buffer;
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = desc_;
    return D3D_OK;
}

IndexBuffer* IndexBuffer::create(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool) {
    if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) return nullptr;
    auto* buffer = new (std::nothrow) IndexBuffer();
    if (!buffer) return nullptr;
    if (!buffer->bytes_.allocate(length)) {
        delete buffer;
        return nullptr;
    }
    buffer->desc_ = D3DINDEXBUFFER_DESC{format, D3DRTYPE_INDEXBUFFER, usage, pool, length};
    return buffer;
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = desc_;
    return D3D_OK;
}

Texture* asTexture(IDirect3DBaseTexture8* texture) { return dynamic_cast<Texture*>(texture); }
Surface* asSurface(IDirect3DSurface8* surface) { return dynamic_cast<Surface*>(surface); }
VertexBuffer* asVertexBuffer(IDirect3DVertexBuffer8* buffer) { return dynamic_cast<VertexBuffer*>(buffer); }
IndexBuffer* asIndexBuffer(IDirect3DIndexBuffer8* buffer) { return dynamic_cast<IndexBuffer*>(buffer); }

}  // namespace platform::d3d8
