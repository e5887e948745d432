// Surfaces, textures and vertex buffers of the software device: plain memory.
#pragma once

#include "com_object.h"

#include "../raster/format.h"
#include "../raster/target.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace platform::d3d8 {

bool isColorFormat(D3DFORMAT format);  // the formats surfaces and textures can have
bool isDepthFormat(D3DFORMAT format);
// Display formats a window can show the device's frames on, and the formats a back buffer
// or render target can have.
bool isDisplayFormat(D3DFORMAT format);
bool isBackBufferFormat(D3DFORMAT format);
raster::PixelFormat pixelFormat(D3DFORMAT colorFormat);

// Pixels of one surface. Colour surfaces are drawn and sampled as 32-bit B, G, R, A (the
// working copy); a lock of a surface in another format hands out the format's own bytes,
// converted from the working copy and written back when the lock ends. Depth surfaces hold
// 16- or 32-bit values and cannot be locked.
struct SurfaceData {
    D3DSURFACE_DESC desc{};
    int32_t pitch = 0;
    std::vector<uint8_t> bits;
    std::vector<uint8_t> native;  // lock bytes of formats other than the 32-bit ones
    int32_t nativePitch = 0;
    bool locked = false;
    bool lockedReadOnly = false;
    RECT lockedRect{};
    // Every alpha is 255 (checked when a lock ends), so drawing from it needs no blending.
    bool allOpaque = false;
    // Called when a writing lock ends (a texture rebuilds its mip levels from level 0).
    std::function<void()> onWritten;

    // Null when the size is out of range or memory runs out.
    static std::shared_ptr<SurfaceData> create(UINT width, UINT height, D3DFORMAT format, DWORD usage,
                                               D3DPOOL pool, D3DRESOURCETYPE type);
    uint32_t* row(int32_t y) { return reinterpret_cast<uint32_t*>(bits.data() + static_cast<size_t>(y) * pitch); }
    bool isDepth() const { return isDepthFormat(desc.Format); }
    raster::ColorView colorView() {
        return {bits.data(), pitch, static_cast<int32_t>(desc.Width), static_cast<int32_t>(desc.Height)};
    }
    raster::DepthView depthView() {
        return {bits.data(), pitch, static_cast<int32_t>(desc.Width), static_cast<int32_t>(desc.Height),
                pitch == static_cast<int32_t>(desc.Width) * 4};
    }
    // Row y as the surface's format holds it (alpha 255 where the format has none), in 32-bit
    // pixels: the working copy itself for 32-bit formats, else converted into `scratch`.
    const uint32_t* visibleRow(int32_t y, std::vector<uint32_t>& scratch);
    HRESULT lock(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT unlock();
    void noteDrawnInto() { allOpaque = false; }
};

class Surface final : public RefCounted<IDirect3DSurface8> {
public:
    // `container` (may be null) is kept alive while the surface lives.
    Surface(std::shared_ptr<SurfaceData> data, IUnknown* container);
    ~Surface() override;

    HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect() override;

    SurfaceData& data() { return *data_; }

private:
    std::shared_ptr<SurfaceData> data_;
    IUnknown* container_;
};

class Texture final : public RefCounted<IDirect3DTexture8> {
public:
    // Null when any level cannot be made. levels 0 means a full chain down to 1 x 1.
    static Texture* create(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() override { return static_cast<DWORD>(levels_.size()); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface8** surface) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;

    SurfaceData* level(UINT index) { return index < levels_.size() ? levels_[index].get() : nullptr; }
    // From now on each write to level 0 rebuilds the smaller levels with a 2 x 2 box filter.
    void generateMipsOnWrite();

private:
    Texture() = default;
    std::vector<std::shared_ptr<SurfaceData>> levels_;
};

// Bytes behind a vertex or index buffer, with the lock rules both share.
class BufferBytes {
public:
    bool allocate(UINT length);
    HRESULT lock(UINT offsetToLock, UINT sizeToLock, BYTE** data);
    HRESULT unlock();
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    bool locked_ = false;
};

class VertexBuffer final : public RefCounted<IDirect3DVertexBuffer8> {
public:
    static VertexBuffer* create(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD) override {
        return bytes_.lock(offsetToLock, sizeToLock, data);
    }
    HRESULT Unlock() override { return bytes_.unlock(); }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;

    const std::vector<uint8_t>& bytes() const { return bytes_.bytes(); }

private:
    VertexBuffer() = default;
    D3DVERTEXBUFFER_DESC desc_{};
    BufferBytes bytes_;
};

class IndexBuffer final : public RefCounted<IDirect3DIndexBuffer8> {
public:
    static IndexBuffer* create(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD) override {
        return bytes_.lock(offsetToLock, sizeToLock, data);
    }
    HRESULT Unlock() override { return bytes_.unlock(); }
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;

    const std::vector<uint8_t>& bytes() const { return bytes_.bytes(); }
    UINT indexSize() const { return desc_.Format == D3DFMT_INDEX32 ? 4 : 2; }

private:
    IndexBuffer() = default;
    D3DINDEXBUFFER_DESC desc_{};
    BufferBytes bytes_;
};

// The software device's own object behind an interface pointer, or null for a foreign one.
Texture* asTexture(IDirect3DBaseTexture8* texture);
Surface* asSurface(IDirect3DSurface8* surface);
VertexBuffer* asVertexBuffer(IDirect3DVertexBuffer8* buffer);
IndexBuffer* asIndexBuffer(IDirect3DIndexBuffer8* buffer);

}  // namespace platform::d3d8
