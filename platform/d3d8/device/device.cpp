#include "device.h"

#include "../raster/fill.h"
#include "../raster/workers.h"

#include <platform/window.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include <support/rect.h>

namespace platform::d3d8 {

namespace {

// Clears of at least this many pixels are spread over the worker threads, kClearRows rows a task.
constexpr int64_t kParallelClear = 256 * 1024;
constexpr LONG kClearRows = 64;

D3DMATRIX identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

DWORD floatBits(float value) { return std::bit_cast<DWORD>(value); }

bool isFinite(const D3DVECTOR& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
bool isZero(const D3DVECTOR& v) { return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f; }
bool inRange(float value, float low, float high) { return value >= low && value <= high; }  // false for NaN

// The checks Direct3D 8 makes of a light before taking it.
bool validLight(const D3DLIGHT8& light) {
    if (light.Type < D3DLIGHT_POINT || light.Type > D3DLIGHT_DIRECTIONAL) return false;
    if (light.Type != D3DLIGHT_POINT && (!isFinite(light.Direction) || isZero(light.Direction))) return false;
    if (light.Type == D3DLIGHT_DIRECTIONAL) return true;
    if (!isFinite(light.Position) || !inRange(light.Range, 0.0f, D3DLIGHT_RANGE_MAX)) return false;
    constexpr float kMax = std::numeric_limits<float>::max();
    const float a0 = light.Attenuation0, a1 = light.Attenuation1, a2 = light.Attenuation2;
    if (!inRange(a0, 0.0f, kMax) || !inRange(a1, 0.0f, kMax) || !inRange(a2, 0.0f, kMax)) return false;
    if (a0 == 0.0f && a1 == 0.0f && a2 == 0.0f) return false;
    if (light.Type == D3DLIGHT_SPOT)
        return inRange(light.Phi, 0.0f, 3.14159274f) && inRange(light.Theta, 0.0f, light.Phi) &&
               std::isfinite(light.Falloff);
    return true;
}

}  // namespace

D3DCAPS8 softwareCaps() {
    D3DCAPS8 caps{};
    caps.DeviceType = D3DDEVTYPE_SW;
    caps.AdapterOrdinal = 0;
    caps.RasterCaps = D3DPRASTERCAPS_ZTEST;
    caps.TextureCaps = D3DPTEXTURECAPS_ALPHA;
    caps.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MAGFPOINT |
                             D3DPTFILTERCAPS_MAGFLINEAR;
    caps.MaxTextureWidth = 16384;
    caps.MaxTextureHeight = 16384;
    caps.MaxTextureBlendStages = D3D_MAX_TEXTURE_STAGES;
    caps.MaxSimultaneousTextures = 1;
    caps.VertexProcessingCaps = 0;  // transform and lighting run in software
    caps.MaxActiveLights = 8;
    caps.MaxPrimitiveCount = 0xFFFFF;
    caps.MaxVertexIndex = 0xFFFFF;
    caps.MaxStreams = Device::kMaxStreams;
    caps.MaxStreamStride = 256;
    return caps;
}

Device* Device::create(IDirect3D8* direct3d, HWND window, DWORD behaviorFlags, D3DPRESENT_PARAMETERS* params) {
    if (!window || !params) return nullptr;
    if (!isBackBufferFormat(params->BackBufferFormat) || params->BackBufferCount > 3) return nullptr;
    if (params->EnableAutoDepthStencil && !isDepthFormat(params->AutoDepthStencilFormat)) return nullptr;
    // A windowed device with no size takes the window's client size.
    if (params->Windowed && params->BackBufferWidth == 0) params->BackBufferWidth = window->clientWidth();
    if (params->Windowed && params->BackBufferHeight == 0) params->BackBufferHeight = window->clientHeight();
    if (params->BackBufferCount == 0) params->BackBufferCount = 1;

    auto* device = new (std::nothrow) Device();
    if (!device) return nullptr;
    noteStatsWanted();
    auto color = SurfaceData::create(params->BackBufferWidth, params->BackBufferHeight, params->BackBufferFormat,
                                     D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, D3DRTYPE_SURFACE);
    Surface* back = color ? new (std::nothrow) Surface(color, nullptr) : nullptr;
    if (!back) {
        device->Release();
        return nullptr;
    }
    device->backBuffer_.adopt(back);
    device->renderTarget_.reset(back);
    if (params->EnableAutoDepthStencil) {
        auto depth = SurfaceData::create(params->BackBufferWidth, params->BackBufferHeight,
                                         params->AutoDepthStencilFormat, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT,
                                         D3DRTYPE_SURFACE);
        Surface* depthSurface = depth ? new (std::nothrow) Surface(depth, nullptr) : nullptr;
        if (!depthSurface) {
            device->Release();
            return nullptr;
        }
        device->autoDepth_.adopt(depthSurface);
        device->depthStencil_.reset(depthSurface);
    }
    device->direct3d_.reset(direct3d);
    device->window_ = window;
    device->parameters_ = *params;
    device->behaviorFlags_ = behaviorFlags;
    device->setDefaultStates(params->EnableAutoDepthStencil != FALSE);
    return device;
}

Device::~Device() = default;

// The defaults Direct3D 8 documents for a new device.
void Device::setDefaultStates(bool depthEnabled) {
    auto& rs = renderStates_;
    rs[D3DRS_ZENABLE] = depthEnabled ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGDENSITY] = floatBits(1.0f);
    rs[D3DRS_FOGEND] = floatBits(1.0f);
    rs[D3DRS_STENCILFAIL] = rs[D3DRS_STENCILZFAIL] = rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILMASK] = rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
    rs[D3DRS_CLIPPING] = TRUE;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_LOCALVIEWER] = TRUE;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_POINTSIZE] = floatBits(1.0f);
    rs[D3DRS_POINTSIZE_MAX] = floatBits(64.0f);
    rs[D3DRS_POINTSCALE_A] = floatBits(1.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
    rs[D3DRS_COLORWRITEENABLE] = 0xF;
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    rs[D3DRS_SOFTWAREVERTEXPROCESSING] = (behaviorFlags_ & D3DCREATE_SOFTWARE_VERTEXPROCESSING) ? TRUE : FALSE;

    for (DWORD stage = 0; stage < D3D_MAX_TEXTURE_STAGES; ++stage) {
        DWORD* ts = stageStates_[stage];
        ts[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        ts[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        ts[D3DTSS_COLORARG1] = ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_COLORARG2] = ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        ts[D3DTSS_TEXCOORDINDEX] = stage;
        ts[D3DTSS_ADDRESSU] = ts[D3DTSS_ADDRESSV] = ts[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
        ts[D3DTSS_MAGFILTER] = ts[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        ts[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        ts[D3DTSS_MAXANISOTROPY] = 1;
        ts[D3DTSS_COLORARG0] = ts[D3DTSS_ALPHAARG0] = ts[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    }
    view_ = projection_ = identity();
    for (auto& m : textureTransforms_) m = identity();
    for (auto& m : world_) m = identity();
    const auto& desc = backBuffer_.get()->data().desc;
    viewport_ = D3DVIEWPORT8{0, 0, desc.Width, desc.Height, 0.0f, 1.0f};
    material_ = D3DMATERIAL8{};
    material_.Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 1.0f};
}

HRESULT Device::GetDirect3D(IDirect3D8** direct3d) {
    if (!direct3d) return D3DERR_INVALIDCALL;
    *direct3d = direct3d_.share();
    return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS8* caps) {
    if (!caps) return D3DERR_INVALIDCALL;
    *caps = softwareCaps();
    return D3D_OK;
}

HRESULT Device::GetDisplayMode(D3DDISPLAYMODE* mode) {
    return direct3d_.get() ? direct3d_.get()->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, mode) : D3DERR_INVALIDCALL;
}

// The window scales the frame to its client area. With rectangles, the source part of the
// back buffer is scaled into the destination part of a frame of the window's size that keeps
// what earlier presents with rectangles put elsewhere. A window destroyed under the device gets nothing.
HRESULT Device::Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride, const RGNDATA*) {
    HWND target = destWindowOverride ? destWindowOverride : window_;
    if (!isLiveWindow(target)) return D3DERR_INVALIDCALL;
    SurfaceData& back = backBuffer_.get()->data();
    const int32_t width = static_cast<int32_t>(back.desc.Width), height = static_cast<int32_t>(back.desc.Height);
    const RECT whole{0, 0, width, height};
    const RECT source = sourceRect ? *sourceRect : whole;
    if (!kvsupport::liesWithin(source, whole)) return D3DERR_INVALIDCALL;
    const bool plain = !sourceRect && !destRect;
    if (plain && raster::bytesPerPixel(pixelFormat(back.desc.Format)) == 4) {  // the window ignores X
        target->present(back.bits.data(), width, height, back.pitch);
        return D3D_OK;
    }
    const int32_t frameWidth = plain ? width : target->clientWidth();
    const int32_t frameHeight = plain ? height : target->clientHeight();
    const RECT dest = destRect ? *destRect : RECT{0, 0, frameWidth, frameHeight};
    if (dest.left >= dest.right || dest.top >= dest.bottom) return D3DERR_INVALIDCALL;
    presentFrame_.resize(size_t(frameWidth) * frameHeight, 0xFF000000u);
    std::vector<uint32_t> scratch;
    const RECT visible = raster::intersect(dest, RECT{0, 0, frameWidth, frameHeight});
    for (int32_t y = visible.top; y < visible.bottom; ++y) {
        const int64_t sy = source.top + (int64_t(y - dest.top) * (source.bottom - source.top)) / (dest.bottom - dest.top);
        const uint32_t* row = back.visibleRow(static_cast<int32_t>(sy), scratch);
        uint32_t* out = presentFrame_.data() + size_t(y) * frameWidth;
        for (int32_t x = visible.left; x < visible.right; ++x)
            out[x] = row[source.left + (int64_t(x - dest.left) * (source.right - source.left)) / (dest.right - dest.left)];
    }
    target->present(reinterpret_cast<const uint8_t*>(presentFrame_.data()), frameWidth, frameHeight, frameWidth * 4);
    return D3D_OK;
}

HRESULT Device::GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface8** surface) {
    if (!surface || index != 0 || type != D3DBACKBUFFER_TYPE_MONO) return D3DERR_INVALIDCALL;
    *surface = backBuffer_.share();
    return D3D_OK;
}

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DTexture8** texture) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = Texture::create(width, height, levels, usage, format, pool);
    return *texture ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer8** buffer) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = VertexBuffer::create(length, usage, fvf, pool);
    return *buffer ? D3D_OK : D3DERR_INVALIDCALL;
}

// A render target must be a colour surface of this device; the viewport becomes the whole
// target, as Direct3D 8 resets it.
HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer8** buffer) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = IndexBuffer::create(length, usage, format, pool);
    return *buffer ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT Device::SetRenderTarget(IDirect3DSurface8* renderTarget, IDirect3DSurface8* depthStencil) {
    Surface* target = renderTarget ? asSurface(renderTarget) : renderTarget_.get();
    Surface* depth = depthStencil ? asSurface(depthStencil) : nullptr;
    if (!target || !isBackBufferFormat(target->data().desc.Format)) return D3DERR_INVALIDCALL;
    if (depthStencil && (!depth || !isDepthFormat(depth->data().desc.Format))) return D3DERR_INVALIDCALL;
    if (depth && (depth->data().desc.Width < target->data().desc.Width ||
                  depth->data().desc.Height < target->data().desc.Height))
        return D3DERR_INVALIDCALL;
    renderTarget_.reset(target);
    depthStencil_.reset(depth);
    viewport_ = D3DVIEWPORT8{0, 0, target->data().desc.Width, target->data().desc.Height, 0.0f, 1.0f};
    return D3D_OK;
}

HRESULT Device::GetRenderTarget(IDirect3DSurface8** renderTarget) {
    if (!renderTarget) return D3DERR_INVALIDCALL;
    *renderTarget = renderTarget_.share();
    return D3D_OK;
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface8** depthStencil) {
    if (!depthStencil) return D3DERR_INVALIDCALL;
    *depthStencil = depthStencil_.share();
    return *depthStencil ? D3D_OK : D3DERR_NOTFOUND;
}

HRESULT Device::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT Device::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

RECT Device::drawArea() const {
    const auto& desc = renderTarget_.get()->data().desc;
    const int64_t right = std::min<int64_t>(int64_t(viewport_.X) + viewport_.Width, desc.Width);
    const int64_t bottom = std::min<int64_t>(int64_t(viewport_.Y) + viewport_.Height, desc.Height);
    return RECT{static_cast<LONG>(std::min<int64_t>(viewport_.X, right)),
                static_cast<LONG>(std::min<int64_t>(viewport_.Y, bottom)), static_cast<LONG>(right),
                static_cast<LONG>(bottom)};
}

raster::Target Device::drawTarget() {
    SurfaceData& color = renderTarget_.get()->data();
    color.noteDrawnInto();
    raster::Target target;
    target.color = raster::ColorView{color.bits.data(), color.pitch, static_cast<int32_t>(color.desc.Width),
                                     static_cast<int32_t>(color.desc.Height)};
    if (Surface* depthSurface = depthStencil_.get()) target.depth = depthSurface->data().depthView();
    target.clip = drawArea();
    return target;
}

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD) {
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !depthStencil_.get()) return D3DERR_INVALIDCALL;
    if (count > 0 && !rects) return D3DERR_INVALIDCALL;
    const raster::Target target = drawTarget();
    const DWORD pieces = count > 0 ? count : 1;
    for (DWORD i = 0; i < pieces; ++i) {
        const RECT piece = raster::intersect(
            count > 0 ? RECT{rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2} : target.clip, target.clip);
        // Large pieces in bands of rows over the worker threads.
        const int64_t rows = piece.bottom - piece.top;
        const uint32_t bands = int64_t(piece.right - piece.left) * rows >= kParallelClear
                                   ? static_cast<uint32_t>((rows + kClearRows - 1) / kClearRows)
                                   : 1;
        raster::Workers::shared().run(bands, [&](uint32_t band) {
            RECT part = piece;
            if (bands > 1) {
                part.top = piece.top + static_cast<LONG>(band) * kClearRows;
                part.bottom = std::min<LONG>(piece.bottom, part.top + kClearRows);
            }
            if (flags & D3DCLEAR_TARGET) raster::fillColor(target, part, color);
            if (flags & D3DCLEAR_ZBUFFER) raster::fillDepth(target, part, std::clamp(z, 0.0f, 1.0f));
        });
    }
    return D3D_OK;
}

D3DMATRIX* Device::transformSlot(D3DTRANSFORMSTATETYPE state) {
    if (state == D3DTS_VIEW) return &view_;
    if (state == D3DTS_PROJECTION) return &projection_;
    if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) return &textureTransforms_[state - D3DTS_TEXTURE0];
    if (state >= D3DTS_WORLD && state < D3DTS_WORLD + 256) return &world_[state - D3DTS_WORLD];
    return nullptr;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    D3DMATRIX* slot = transformSlot(state);
    if (!slot || !matrix) return D3DERR_INVALIDCALL;
    *slot = *matrix;
    return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    D3DMATRIX* slot = transformSlot(state);
    if (!slot || !matrix) return D3DERR_INVALIDCALL;
    *matrix = *slot;
    return D3D_OK;
}

HRESULT Device::SetViewport(const D3DVIEWPORT8* viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    const auto& desc = renderTarget_.get()->data().desc;
    if (uint64_t(viewport->X) + viewport->Width > desc.Width || uint64_t(viewport->Y) + viewport->Height > desc.Height)
        return D3DERR_INVALIDCALL;
    viewport_ = *viewport;
    return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT8* viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    *viewport = viewport_;
    return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL8* material) {
    if (!material) return D3DERR_INVALIDCALL;
    material_ = *material;
    return D3D_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL8* material) {
    if (!material) return D3DERR_INVALIDCALL;
    *material = material_;
    return D3D_OK;
}

HRESULT Device::SetLight(DWORD index, const D3DLIGHT8* light) {
    if (!light || !validLight(*light)) return D3DERR_INVALIDCALL;
    lights_[index].light = *light;
    return D3D_OK;
}

HRESULT Device::GetLight(DWORD index, D3DLIGHT8* light) {
    const auto slot = lights_.find(index);
    if (!light || slot == lights_.end()) return D3DERR_INVALIDCALL;
    *light = slot->second.light;
    return D3D_OK;
}

// Enabling a light that was never set gives it the default white directional light.
HRESULT Device::LightEnable(DWORD index, BOOL enable) {
    auto slot = lights_.find(index);
    if (slot == lights_.end()) {
        LightSlot fresh;
        fresh.light.Type = D3DLIGHT_DIRECTIONAL;
        fresh.light.Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
        fresh.light.Direction = D3DVECTOR{0.0f, 0.0f, 1.0f};
        slot = lights_.emplace(index, fresh).first;
    }
    if (enable && !slot->second.enabled &&
        std::count_if(lights_.begin(), lights_.end(), [](const auto& entry) { return entry.second.enabled; }) >=
            kMaxActiveLights)
        return D3DERR_INVALIDCALL;
    slot->second.enabled = enable != FALSE;
    return D3D_OK;
}

HRESULT Device::GetLightEnable(DWORD index, BOOL* enable) {
    const auto slot = lights_.find(index);
    if (!enable || slot == lights_.end()) return D3DERR_INVALIDCALL;
    *enable = slot->second.enabled ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (state >= D3DRS_COUNT) return D3DERR_INVALIDCALL;
    renderStates_[state] = value;
    return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    if (state >= D3DRS_COUNT || !value) return D3DERR_INVALIDCALL;
    *value = renderStates_[state];
    return D3D_OK;
}

HRESULT Device::GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) {
    if (stage >= D3D_MAX_TEXTURE_STAGES || !texture) return D3DERR_INVALIDCALL;
    *texture = textures_[stage].share();
    return D3D_OK;
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
    if (stage >= D3D_MAX_TEXTURE_STAGES || (texture && !asTexture(texture))) return D3DERR_INVALIDCALL;
    textures_[stage].reset(texture);
    return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    if (stage >= D3D_MAX_TEXTURE_STAGES || type >= D3DTSS_COUNT || !value) return D3DERR_INVALIDCALL;
    *value = stageStates_[stage][type];
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (stage >= D3D_MAX_TEXTURE_STAGES || type >= D3DTSS_COUNT) return D3DERR_INVALIDCALL;
    stageStates_[stage][type] = value;
    return D3D_OK;
}

HRESULT Device::SetVertexShader(DWORD handle) {
    vertexShader_ = handle;
    return D3D_OK;
}

HRESULT Device::GetVertexShader(DWORD* handle) {
    if (!handle) return D3DERR_INVALIDCALL;
    *handle = vertexShader_;
    return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) {
    if (stream >= kMaxStreams || (buffer && !asVertexBuffer(buffer))) return D3DERR_INVALIDCALL;
    streams_[stream].reset(buffer);
    strides_[stream] = stride;
    return D3D_OK;
}

HRESULT Device::GetStreamSource(UINT stream, IDirect3DVertexBuffer8** buffer, UINT* stride) {
    if (stream >= kMaxStreams || !buffer || !stride) return D3DERR_INVALIDCALL;
    *buffer = streams_[stream].share();
    *stride = strides_[stream];
    return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer8* indexData, UINT baseVertexIndex) {
    if (indexData && !asIndexBuffer(indexData)) return D3DERR_INVALIDCALL;
    indices_.reset(indexData);
    baseVertexIndex_ = baseVertexIndex;
    return D3D_OK;
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer8** indexData, UINT* baseVertexIndex) {
    if (!indexData || !baseVertexIndex) return D3DERR_INVALIDCALL;
    *indexData = indices_.share();
    *baseVertexIndex = baseVertexIndex_;
    return D3D_OK;
}

}  // namespace platform::d3d8
