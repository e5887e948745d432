// The engine's graphics device: one process-wide Direct3D object, device and sprite
// interface that every engine class draws through.
#pragma once

#include <platform/d3d8.h>
#include <platform/d3dx8.h>

#include <cstdint>

// Borrowed references to the shared device set (no reference is added).
struct cTOVREN_GFXDEVICES {
    IDirect3D8* d3d;
    IDirect3DDevice8* device;
    ID3DXSprite* sprite;
};

struct TOVSCREEN {
    uint32_t width;
    uint32_t height;
    uint8_t depth;    // 16, 24 or 32
    uint8_t refresh;  // Hz
    bool fullScreen;
    float nearPlane;
    float farPlane;
    float fov;  // radians, as the projection takes it
};

// Fill modes for SetFillMode and selectors for SetRenderQuality.
constexpr uint32_t TOVREN_FILL_SOLID = 0;
constexpr uint32_t TOVREN_FILL_WIREFRAME = 1;
constexpr uint32_t TOVREN_FILL_POINT = 2;
constexpr uint32_t TOVREN_QUALITY_EDGEANTIALIAS = 0;
constexpr uint32_t TOVREN_QUALITY_NOCULL = 1;

class cTOVREN_GraphiX {
public:
    float clearRed = 0.0f;  // 0.0 to 1.0; frames start black
    float clearGreen = 0.0f;
    float clearBlue = 0.0f;
    IDirect3DSurface8* renderSurface = nullptr;    // level 0 of renderTexture while targeted
    IDirect3DSurface8* savedBackBuffer = nullptr;  // the target to return to
    IDirect3DTexture8* renderTexture = nullptr;
    TOVSCREEN screen{};

    cTOVREN_GraphiX() = default;
    cTOVREN_GraphiX(const cTOVREN_GraphiX&) = default;
    cTOVREN_GraphiX& operator=(const cTOVREN_GraphiX&) = default;
    // Uninits the shared set when this object initialised it; copies leave it alone.
    virtual ~cTOVREN_GraphiX();

    bool CreateD3D();
    void DestroyD3D();
    // 0 when adapter 0 has a mode of that size, refresh and depth, else 0x10000002/3.
    uint32_t GetAdaptor(uint16_t width, uint16_t height, uint8_t depth, uint8_t refresh);
    // Creates the shared set for `window`, releasing an earlier one first. Returns 0 or a
    // Direct3D status code; what was created before a failing step stays until Uninit.
    uint32_t Init(HWND window, uint16_t width, uint16_t height, uint8_t depth, uint8_t refresh,
                  bool fullScreen);
    // Releases this object's render-target references and the shared set.
    void Uninit();

    void SetClearColor(float red, float green, float blue);
    void SetClearColor(int red, int green, int blue);  // 0-255
    void SetClearColor(uint32_t rgb);                  // 0xRRGGBB
    void SetFillMode(uint32_t mode);
    void SetPerspective(float nearPlane, float farPlane, float fov);
    void SetRenderQuality(uint32_t selector, bool on);

    void DrawBegin();   // clears to the clear colour and begins the scene
    void DrawFinish();  // ends the scene and presents to the window

    uint32_t CreateRenderTexture(uint32_t width, uint32_t height);
    uint32_t SetRenderTargetTexture();
    uint32_t SetRenderTargetBuffer();

    void GetScreen(TOVSCREEN* out);
    void GetDevices(cTOVREN_GFXDEVICES* out);
    // Saves back buffer 0 as a BMP file.
    void MakeScreenShot(const char* fileName);

private:
    uint32_t createDevice(HWND window, uint16_t width, uint16_t height, D3DFORMAT format, bool fullScreen);
    void releaseRenderTargets();
    void setProjection(uint32_t width, uint32_t height);
};
