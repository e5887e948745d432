// Surfaces, textures and vertex buffers of the software device: plain memory.
#pragma once

#include "com_object.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace platform::d3d8 {

bool isColorFormat(D3DFORMAT format);  // the 32-bit formats the rasterizer reads and writes
bool isDepthFormat(D3DFORMAT format);

// Pixels of one surface. Colour surfaces are 32-bit B, G, R, A; depth surfaces hold one
// float per pixel and cannot be locked.
struct SurfaceData {
    D3DSURFACE_DESC desc{};
    int32_t pitch = 0;
    std::vector<uint8_t> bits;
    bool locked = false;
    bool lockedReadOnly = false;
    // Every alpha is 255 (checked when a lock ends), so drawing from it needs no blending.
    bool allOpaque = false;

    // Null when the size is out of range or memory runs out.
    static std::shared_ptr<SurfaceData> create(UINT width, UINT height, D3DFORMAT format, DWORD usage,
                                               D3DPOOL pool, D3DRESOURCETYPE type);
    uint32_t* row(int32_t y) { return reinterpret_cast<uint32_t*>(bits.data() + static_cast<size_t>(y) * pitch); }
    float* depthRow(int32_t y) { return reinterpret_cast<float*>(bits.data() + static_cast<size_t>(y) * pitch); }
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

private:
    Texture() = default;
    std::vector<std::shared_ptr<SurfaceData>> levels_;
};

class VertexBuffer final : public RefCounted<IDirect3DVertexBuffer8> {
public:
    static VertexBuffer* create(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;

    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    VertexBuffer() = default;
    D3DVERTEXBUFFER_DESC desc_{};
    std::vector<uint8_t> bytes_;
    bool locked_ = false;
};

// The software device's own object behind an interface pointer, or null for a foreign one.
Texture* asTexture(IDirect3DBaseTexture8* texture);
Surface* asSurface(IDirect3DSurface8* surface);
VertexBuffer* asVertexBuffer(IDirect3DVertexBuffer8* buffer);

}  // namespace platform::d3d8
