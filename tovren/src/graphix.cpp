#include <tovren/graphix.h>

#include <tovren/debug.h>

#include "device_set.h"

#include <cmath>

namespace tovren {

DeviceSet& devices() {
    static DeviceSet set;
    return set;
}

}  // namespace tovren

using tovren::devices;
using tovren::releaseAndClear;

namespace {

constexpr float kOneOver255 = 0.003921569f;
constexpr float kDefaultNear = 1.0f;
constexpr float kDefaultFar = 50000.0f;
constexpr float kDefaultFov = 45.0f;

bool formatForDepth(uint8_t depth, D3DFORMAT& format) {
    switch (depth) {
    case 16: format = D3DFMT_R5G6B5; return true;
    case 24: format = D3DFMT_R8G8B8; return true;
    case 32: format = D3DFMT_X8R8G8B8; return true;
    default: return false;
    }
}

bool modeFitsDepth(D3DFORMAT format, uint8_t depth) {
    D3DFORMAT wanted;
    return !formatForDepth(depth, wanted) || format == wanted;
}

// (channel x 255) truncated, low 8 bits kept; values no int can hold give 0.
DWORD channelByte(float value) {
    const double scaled = static_cast<double>(value) * 255.0;
    if (!(scaled > -2147483648.0 && scaled < 2147483648.0)) return 0;
    return static_cast<DWORD>(static_cast<int32_t>(scaled)) & 0xFFu;
}

uint32_t chooseDeviceType(IDirect3D8* d3d, D3DFORMAT format, D3DDEVTYPE& type) {
    for (D3DDEVTYPE candidate : {D3DDEVTYPE_HAL, D3DDEVTYPE_REF, D3DDEVTYPE_SW}) {
        if (SUCCEEDED(d3d->CheckDeviceType(D3DADAPTER_DEFAULT, candidate, format, format, FALSE))) {
            type = candidate;
            return TOVREN_OK;
        }
    }
    return TOVREN_ERR_D3D_BACKBUFFER_DEPTH;
}

void setInitialStates(IDirect3DDevice8* device) {
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
}

}  // namespace

cTOVREN_GraphiX::~cTOVREN_GraphiX() {
    if (devices().d3d && devices().owner == this) Uninit();
}

bool cTOVREN_GraphiX::CreateD3D() {
    releaseAndClear(devices().d3d);
    devices().d3d = Direct3DCreate8(D3D_SDK_VERSION);
    if (devices().d3d) devices().owner = this;
    return devices().d3d != nullptr;
}

void cTOVREN_GraphiX::DestroyD3D() { releaseAndClear(devices().d3d); }

uint32_t cTOVREN_GraphiX::GetAdaptor(uint16_t width, uint16_t height, uint8_t depth, uint8_t refresh) {
    IDirect3D8* d3d = devices().d3d;
    if (!d3d) return TOVREN_ERR_D3D_NO_ADAPTER;
    const UINT count = d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT);
    if (static_cast<int32_t>(count) <= 0) return TOVREN_ERR_D3D_NO_ADAPTER;
    for (UINT i = 0; i < count; ++i) {
        D3DDISPLAYMODE mode{};
        if (FAILED(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, i, &mode))) return TOVREN_ERR_D3D_ENUM_ADAPTER;
        if (mode.Width == width && mode.Height == height && mode.RefreshRate == refresh &&
            modeFitsDepth(mode.Format, depth)) {
            return TOVREN_OK;
        }
    }
    return TOVREN_ERR_D3D_NO_ADAPTER;
}

uint32_t cTOVREN_GraphiX::Init(HWND window, uint16_t width, uint16_t height, uint8_t depth, uint8_t refresh,
                               bool fullScreen) {
    // A second Init must not strand the first device set.
    Uninit();
    if (!CreateD3D()) return TOVREN_ERR_D3D_CREATE;
    if (fullScreen) {
        if (const uint32_t status = GetAdaptor(width, height, depth, refresh)) return status;
    }
    D3DFORMAT format;
    if (!formatForDepth(depth, format)) return TOVREN_ERR_D3D_COLOR_FORMAT;
    if (const uint32_t status = createDevice(window, width, height, format, fullScreen)) return status;

    IDirect3DDevice8* device = devices().device;
    device->GetDepthStencilSurface(&devices().depthStencil);
    setInitialStates(device);
    screen.nearPlane = kDefaultNear;
    screen.farPlane = kDefaultFar;
    screen.fov = kDefaultFov;
    setProjection(width, height);
    if (FAILED(D3DXCreateSprite(device, &devices().sprite))) {
        devices().sprite = nullptr;
        return TOVREN_ERR_SPRITE_CREATE;
    }
    screen.width = width;
    screen.height = height;
    screen.depth = depth;
    screen.refresh = refresh;
    screen.fullScreen = fullScreen;
    return TOVREN_OK;
}

// Device type (HAL, REF, SW in that order), depth format, caps, then the device itself.
uint32_t cTOVREN_GraphiX::createDevice(HWND window, uint16_t width, uint16_t height, D3DFORMAT format,
                                       bool fullScreen) {
    IDirect3D8* d3d = devices().d3d;
    D3DDEVTYPE type;
    if (chooseDeviceType(d3d, format, type) != TOVREN_OK) return TOVREN_ERR_D3D_BACKBUFFER_DEPTH;
    if (FAILED(d3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, type, format, D3DUSAGE_DEPTHSTENCIL,
                                      D3DRTYPE_SURFACE, D3DFMT_D16))) {
        return TOVREN_ERR_D3D_ZBUFFER_FORMAT;
    }
    D3DCAPS8 caps{};
    if (FAILED(d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, type, &caps))) return TOVREN_ERR_D3D_CAPS;

    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = width;
    parameters.BackBufferHeight = height;
    parameters.BackBufferFormat = format;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.Windowed = fullScreen ? FALSE : TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    const DWORD processing = caps.VertexProcessingCaps != 0 ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                                            : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, type, window, processing, &parameters, &devices().device))) {
        devices().device = nullptr;
        return TOVREN_ERR_D3D_DEVICE;
    }
    return TOVREN_OK;
}

void cTOVREN_GraphiX::Uninit() {
    releaseRenderTargets();
    releaseAndClear(renderTexture);
    releaseAndClear(devices().sprite);
    releaseAndClear(devices().depthStencil);
    releaseAndClear(devices().device);
    releaseAndClear(devices().d3d);
    devices().owner = nullptr;
}

void cTOVREN_GraphiX::releaseRenderTargets() {
    releaseAndClear(renderSurface);
    releaseAndClear(savedBackBuffer);
}

void cTOVREN_GraphiX::setProjection(uint32_t width, uint32_t height) {
    IDirect3DDevice8* device = devices().device;
    if (!device) return;
    D3DXMATRIX projection;
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    D3DXMatrixPerspectiveFovLH(&projection, screen.fov, aspect, screen.nearPlane, screen.farPlane);
    device->SetTransform(D3DTS_PROJECTION, &projection);
}

void cTOVREN_GraphiX::SetClearColor(float red, float green, float blue) {
    clearRed = red;
    clearGreen = green;
    clearBlue = blue;
}

void cTOVREN_GraphiX::SetClearColor(int red, int green, int blue) {
    SetClearColor(static_cast<float>(red) * kOneOver255, static_cast<float>(green) * kOneOver255,
                  static_cast<float>(blue) * kOneOver255);
}

void cTOVREN_GraphiX::SetClearColor(uint32_t rgb) {
    SetClearColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>(rgb & 0xFF));
}

void cTOVREN_GraphiX::SetFillMode(uint32_t mode) {
    static const D3DFILLMODE kModes[] = {D3DFILL_SOLID, D3DFILL_WIREFRAME, D3DFILL_POINT};
    if (mode >= 3 || !devices().device) return;
    devices().device->SetRenderState(D3DRS_FILLMODE, kModes[mode]);
}

void cTOVREN_GraphiX::SetPerspective(float nearPlane, float farPlane, float fov) {
    screen.nearPlane = nearPlane;
    screen.farPlane = farPlane;
    screen.fov = fov;
    setProjection(screen.width, screen.height);
}

void cTOVREN_GraphiX::SetRenderQuality(uint32_t selector, bool on) {
    IDirect3DDevice8* device = devices().device;
    if (!device) return;
    if (selector == TOVREN_QUALITY_EDGEANTIALIAS) {
        device->SetRenderState(D3DRS_EDGEANTIALIAS, on ? TRUE : FALSE);
    } else if (selector == TOVREN_QUALITY_NOCULL) {
        device->SetRenderState(D3DRS_CULLMODE, on ? D3DCULL_NONE : D3DCULL_CCW);
    }
}

void cTOVREN_GraphiX::DrawBegin() {
    IDirect3DDevice8* device = devices().device;
    if (!device) return;
    const D3DCOLOR color = 0xFF000000u | channelByte(clearRed) << 16 | channelByte(clearGreen) << 8 |
                           channelByte(clearBlue);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, color, 1.0f, 0);
    device->BeginScene();
}

void cTOVREN_GraphiX::DrawFinish() {
    IDirect3DDevice8* device = devices().device;
    if (!device) return;
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

uint32_t cTOVREN_GraphiX::CreateRenderTexture(uint32_t width, uint32_t height) {
    IDirect3DDevice8* device = devices().device;
    if (!device) return TOVREN_OK;
    releaseAndClear(renderTexture);
    if (FAILED(D3DXCreateTexture(device, width, height, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                 D3DPOOL_DEFAULT, &renderTexture))) {
        renderTexture = nullptr;
    }
    return TOVREN_OK;
}

uint32_t cTOVREN_GraphiX::SetRenderTargetTexture() {
    IDirect3DDevice8* device = devices().device;
    if (!device || !renderTexture) return TOVREN_OK;
    releaseRenderTargets();
    device->GetRenderTarget(&savedBackBuffer);
    renderTexture->GetSurfaceLevel(0, &renderSurface);
    device->SetRenderTarget(renderSurface, nullptr);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetTexture(0, nullptr);
    // The texture has no depth buffer, so only the colour can be cleared.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    return TOVREN_OK;
}

uint32_t cTOVREN_GraphiX::SetRenderTargetBuffer() {
    IDirect3DDevice8* device = devices().device;
    if (!device || !savedBackBuffer) return TOVREN_OK;
    // The back buffer gets its depth buffer back, or later frames could not clear depth.
    device->SetRenderTarget(savedBackBuffer, devices().depthStencil);
    return TOVREN_OK;
}

void cTOVREN_GraphiX::GetScreen(TOVSCREEN* out) {
    if (out) *out = screen;
}

void cTOVREN_GraphiX::GetDevices(cTOVREN_GFXDEVICES* out) {
    if (!out) return;
    out->d3d = devices().d3d;
    out->device = devices().device;
    out->sprite = devices().sprite;
}

void cTOVREN_GraphiX::MakeScreenShot(const char* fileName) {
    IDirect3DDevice8* device = devices().device;
    if (!device || !fileName) return;
    IDirect3DSurface8* backBuffer = nullptr;
    if (FAILED(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)) || !backBuffer) return;
    D3DXSaveSurfaceToFileA(fileName, D3DXIFF_BMP, backBuffer, nullptr, nullptr);
    backBuffer->Release();
}
