#include "resources.h"

#include <new>

namespace platform::d3d8 {

namespace {
constexpr UINT kMaxDimension = 16384;
}  // namespace

bool isColorFormat(D3DFORMAT format) { return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8; }

bool isDepthFormat(D3DFORMAT format) {
    return format == D3DFMT_D16 || format == D3DFMT_D16_LOCKABLE || format == D3DFMT_D32 ||
           format == D3DFMT_D24S8 || format == D3DFMT_D24X8;
}

std::shared_ptr<SurfaceData> SurfaceData::create(UINT width, UINT height, D3DFORMAT format, DWORD usage,
                                                 D3DPOOL pool, D3DRESOURCETYPE type) {
    if (width == 0 || height == 0 || width > kMaxDimension || height > kMaxDimension) return nullptr;
    if (!isColorFormat(format) && !isDepthFormat(format)) return nullptr;
    try {
        auto data = std::make_shared<SurfaceData>();
        data->pitch = static_cast<int32_t>(width * 4);
        const uint64_t size = uint64_t(width) * 4 * height;  // at most 2^30
        data->bits.assign(static_cast<size_t>(size), 0);
        data->desc = D3DSURFACE_DESC{format, type, usage, pool, static_cast<UINT>(size), D3DMULTISAMPLE_NONE,
                                     width, height};
        return data;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

HRESULT SurfaceData::lock(D3DLOCKED_RECT* result, const RECT* rect, DWORD flags) {
    if (!result || locked || !isColorFormat(desc.Format)) return D3DERR_INVALIDCALL;
    RECT area{0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
            rect->right > area.right || rect->bottom > area.bottom)
            return D3DERR_INVALIDCALL;
        area = *rect;
    }
    lockedReadOnly = (flags & D3DLOCK_READONLY) != 0;
    if (!lockedReadOnly) allOpaque = false;
    result->Pitch = pitch;
    result->pBits = bits.data() + static_cast<size_t>(area.top) * pitch + static_cast<size_t>(area.left) * 4;
    locked = true;
    return D3D_OK;
}

HRESULT SurfaceData::unlock() {
    if (!locked) return D3DERR_INVALIDCALL;
    locked = false;
    if (lockedReadOnly) return D3D_OK;
    uint32_t alphas = 0xFF000000u;
    for (size_t i = 0; i + 4 <= bits.size(); i += 4) alphas &= uint32_t(bits[i + 3]) << 24;
    allOpaque = alphas == 0xFF000000u;
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

VertexBuffer* VertexBuffer::create(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool) {
    if (length == 0 || length > (1u << 30)) return nullptr;
    auto* buffer = new (std::nothrow) VertexBuffer();
    if (!buffer) return nullptr;
    try {
        buffer->bytes_.assign(length, 0);
    } catch (const std::bad_alloc&) {
        delete buffer;
        return nullptr;
    }
    buffer->desc_ = D3DVERTEXBUFFER_DESC{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf};
    return buffer;
}

HRESULT VertexBuffer::Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD) {
    if (!data || locked_) return D3DERR_INVALIDCALL;
    const uint64_t end = uint64_t(offsetToLock) + (sizeToLock ? sizeToLock : 0);
    if (offsetToLock >= bytes_.size() || end > bytes_.size()) return D3DERR_INVALIDCALL;
    *data = bytes_.data() + offsetToLock;
    locked_ = true;
    return D3D_OK;
}

HRESULT VertexBuffer::Unlock() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    return D3D_OK;
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = desc_;
    return D3D_OK;
}

Texture* asTexture(IDirect3DBaseTexture8* texture) { return dynamic_cast<Texture*>(texture); }
Surface* asSurface(IDirect3DSurface8* surface) { return dynamic_cast<Surface*>(surface); }
VertexBuffer* asVertexBuffer(IDirect3DVertexBuffer8* buffer) { return dynamic_cast<VertexBuffer*>(buffer); }

}  // namespace platform::d3d8
