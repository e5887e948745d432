// The software device: keeps the state of every call and draws into its render target.
#pragma once

#include "resources.h"

#include "../raster/batch.h"
#include "../raster/pixel.h"
#include "../raster/target.h"

#include <map>
#include <vector>

namespace platform::d3d8 {

struct LightSlot {
    D3DLIGHT8 light{};
    bool enabled = false;
};

class Device final : public RefCounted<IDirect3DDevice8> {
public:
    // Null when the parameters are unusable or memory runs out; fills in the parameters the
    // device chose (back-buffer size from the window, count 1).
    static Device* create(IDirect3D8* direct3d, HWND window, DWORD behaviorFlags,
                          D3DPRESENT_PARAMETERS* parameters);
    ~Device() override;

    HRESULT GetDirect3D(IDirect3D8** direct3d) override;
    HRESULT GetDeviceCaps(D3DCAPS8* caps) override;
    HRESULT GetDisplayMode(D3DDISPLAYMODE* mode) override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                    const RGNDATA* dirtyRegion) override;
    HRESULT GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface8** surface) override;
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture8** texture) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8** buffer) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer8** buffer) override;
    HRESULT SetRenderTarget(IDirect3DSurface8* renderTarget, IDirect3DSurface8* depthStencil) override;
    HRESULT GetRenderTarget(IDirect3DSurface8** renderTarget) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface8** depthStencil) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    HRESULT SetViewport(const D3DVIEWPORT8* viewport) override;
    HRESULT GetViewport(D3DVIEWPORT8* viewport) override;
    HRESULT SetMaterial(const D3DMATERIAL8* material) override;
    HRESULT GetMaterial(D3DMATERIAL8* material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT8* light) override;
    HRESULT GetLight(DWORD index, D3DLIGHT8* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT GetLightEnable(DWORD index, BOOL* enable) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT SetVertexShader(DWORD handle) override;
    HRESULT GetVertexShader(DWORD* handle) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) override;
    HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer8** buffer, UINT* stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer8* indexData, UINT baseVertexIndex) override;
    HRESULT GetIndices(IDirect3DIndexBuffer8** indexData, UINT* baseVertexIndex) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT startIndex,
                                 UINT primitiveCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertexData,
                            UINT vertexStride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT primitiveCount,
                                   const void* indexData, D3DFORMAT indexFormat, const void* vertexData,
                                   UINT vertexStride) override;

    // For the D3DX objects drawing on this device: the render target (and depth buffer)
    // clipped to the viewport, marked as drawn into since the caller is about to write it.
    raster::Target drawTarget();
    bool rendersInto(const SurfaceData* surface) const { return &renderTarget_.get()->data() == surface; }
    // The viewport clipped to the render target, as a rectangle.
    RECT drawArea() const;
    DWORD renderState(D3DRENDERSTATETYPE state) const { return renderStates_[state]; }
    DWORD stageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const { return stageStates_[stage][type]; }

    static constexpr UINT kMaxStreams = 16;
    static constexpr UINT kMaxActiveLights = 8;

private:
    Device() = default;
    void setDefaultStates(bool depthEnabled);
    D3DMATRIX* transformSlot(D3DTRANSFORMSTATETYPE state);
    // The checked draw: vertices [firstVertex, firstVertex + vertexCount) of `vertices`
    // (stride bytes apart), assembled through `indices` when there are any.
    struct DrawCall;
    HRESULT draw(const DrawCall& call);
    raster::VertexProgram vertexProgram(const raster::VertexLayout& layout) const;
    raster::PixelProgram pixelProgram(bool transformed);
    raster::SetupState setupState(bool transformed, const raster::PixelProgram& program) const;
    // False when memory ran out part way.
    // `transformInSetup`, when not null, is the program of the vertices that the setup tasks
    // transform themselves (see transformsInSetup).
    bool rasterize(const DrawCall& call, const raster::PixelProgram& program, const raster::SetupState& state,
                   bool transformed, const raster::VertexProgram* transformInSetup);
    template <class Assemble>
    bool fillTriangles(const DrawCall& call, const raster::PixelProgram& program, const raster::SetupState& state,
                       Assemble& assemble, const raster::VertexProgram* transformInSetup);
    bool transformsInSetup(const DrawCall& call) const;
    void transform(const DrawCall& call, const raster::VertexProgram& program, uint32_t first, uint32_t count);

public:
    static constexpr uint32_t kMaxPrimitives = 0xFFFFF;  // as the capabilities report
    static constexpr uint32_t kMaxVertices = 0x100000;

private:

    ComRef<IDirect3D8> direct3d_;
    HWND window_ = nullptr;
    D3DPRESENT_PARAMETERS parameters_{};
    DWORD behaviorFlags_ = 0;
    ComRef<Surface> backBuffer_;
    ComRef<Surface> autoDepth_;
    ComRef<Surface> renderTarget_;
    ComRef<Surface> depthStencil_;
    bool inScene_ = false;

    DWORD renderStates_[D3DRS_COUNT] = {};
    DWORD stageStates_[D3D_MAX_TEXTURE_STAGES][D3DTSS_COUNT] = {};
    ComRef<IDirect3DBaseTexture8> textures_[D3D_MAX_TEXTURE_STAGES];
    D3DMATRIX view_{}, projection_{};
    D3DMATRIX textureTransforms_[8]{};
    D3DMATRIX world_[256]{};
    D3DVIEWPORT8 viewport_{};
    D3DMATERIAL8 material_{};
    std::map<DWORD, LightSlot> lights_;
    DWORD vertexShader_ = 0;
    ComRef<IDirect3DVertexBuffer8> streams_[kMaxStreams];
    UINT strides_[kMaxStreams] = {};
    ComRef<IDirect3DIndexBuffer8> indices_;
    std::vector<uint32_t> presentFrame_;  // the window's frame when Present has rectangles
    // Scratch of the draw calls, kept between calls so that drawing allocates once.
    std::vector<raster::ClipVertex> clipVertices_;
    std::vector<uint32_t> sequence_;
    std::vector<raster::TriangleBatch> batches_;
    std::vector<uint64_t> stripeOrder_;  // triangles << 32 | stripe, in the order the fill takes them
    raster::TextureView textureViews_[raster::kStages];
    UINT baseVertexIndex_ = 0;
};

// Reads KV_RASTER_STATS; called when a device is created.
void noteStatsWanted();

// The capabilities of the software device.
D3DCAPS8 softwareCaps();

}  // namespace platform::d3d8
