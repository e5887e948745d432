#include "device.h"

#include <platform/window.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace platform::d3d8 {

namespace {

constexpr UINT kFallbackWidth = 640;
constexpr UINT kFallbackHeight = 480;
constexpr UINT kFallbackRefresh = 60;

D3DFORMAT formatOfSdl(uint32_t sdlFormat) {
    switch (SDL_BITSPERPIXEL(sdlFormat)) {
    case 15: return D3DFMT_X1R5G5B5;
    case 16: return D3DFMT_R5G6B5;
    case 24:
    case 32: return D3DFMT_X8R8G8B8;
    }
    return D3DFMT_UNKNOWN;
}

bool hasRealDisplay() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "offscreen") != 0 &&
           std::strcmp(driver, "evdev") != 0;
}

class Direct3D final : public RefCounted<IDirect3D8> {
public:
    Direct3D() { openDisplay(); }
    ~Direct3D() override {
        if (ownsVideo_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    UINT GetAdapterCount() override { return 1; }

    UINT GetAdapterModeCount(UINT adapter) override {
        return adapter == 0 ? static_cast<UINT>(modes().size()) : 0;
    }

    HRESULT EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode) override {
        const auto list = modes();
        if (adapter != 0 || !displayMode || mode >= list.size()) return D3DERR_INVALIDCALL;
        *displayMode = list[mode];
        return D3D_OK;
    }

    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) override {
        if (adapter != 0 || !displayMode) return D3DERR_INVALIDCALL;
        SDL_DisplayMode current;
        if (display_ && SDL_GetDesktopDisplayMode(0, &current) == 0) {
            *displayMode = toMode(current);
            return D3D_OK;
        }
        *displayMode = fallbackMode();
        return D3D_OK;
    }

    HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat, D3DFORMAT backBufferFormat,
                            BOOL) override {
        if (adapter != 0 || type != D3DDEVTYPE_SW) return D3DERR_NOTAVAILABLE;
        if (!isDisplayFormat(displayFormat) || !isBackBufferFormat(backBufferFormat)) return D3DERR_NOTAVAILABLE;
        return D3D_OK;
    }

    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                              D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override {
        if (adapter != 0 || type != D3DDEVTYPE_SW || !isDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
        if (usage & D3DUSAGE_DEPTHSTENCIL)
            return resourceType == D3DRTYPE_SURFACE && isDepthFormat(checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
        const bool resourceOk = resourceType == D3DRTYPE_SURFACE || resourceType == D3DRTYPE_TEXTURE;
        return resourceOk && isColorFormat(checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
    }

    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps) override {
        if (adapter != 0 || !caps) return D3DERR_INVALIDCALL;
        if (type != D3DDEVTYPE_SW) return D3DERR_NOTAVAILABLE;
        *caps = softwareCaps();
        return D3D_OK;
    }

    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device) override {
        if (!device) return D3DERR_INVALIDCALL;
        *device = nullptr;
        if (adapter != 0 || type != D3DDEVTYPE_SW) return D3DERR_NOTAVAILABLE;
        if (!parameters) return D3DERR_INVALIDCALL;
        HWND window = parameters->hDeviceWindow ? parameters->hDeviceWindow : focusWindow;
        *device = Device::create(this, window, behaviorFlags, parameters);
        return *device ? D3D_OK : D3DERR_INVALIDCALL;
    }

private:
    // Uses SDL's video subsystem when it is already up (an SDL window exists) or when a
    // display server is named in the environment.
    void openDisplay() {
        if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
            if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) return;
            if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
            ownsVideo_ = true;
        }
        display_ = hasRealDisplay() && SDL_GetNumVideoDisplays() > 0;
    }

    static D3DDISPLAYMODE toMode(const SDL_DisplayMode& mode) {
        return D3DDISPLAYMODE{static_cast<UINT>(mode.w), static_cast<UINT>(mode.h),
                              mode.refresh_rate > 0 ? static_cast<UINT>(mode.refresh_rate) : kFallbackRefresh,
                              formatOfSdl(mode.format)};
    }

    static D3DDISPLAYMODE fallbackMode() {
        const Window* window = newestWindow();
        if (!window) return D3DDISPLAYMODE{kFallbackWidth, kFallbackHeight, kFallbackRefresh, D3DFMT_X8R8G8B8};
        return D3DDISPLAYMODE{static_cast<UINT>(window->clientWidth()), static_cast<UINT>(window->clientHeight()),
                              kFallbackRefresh, D3DFMT_X8R8G8B8};
    }

    std::vector<D3DDISPLAYMODE> modes() const {
        std::vector<D3DDISPLAYMODE> list;
        const int count = display_ ? SDL_GetNumDisplayModes(0) : 0;
        for (int i = 0; i < count; ++i) {
            SDL_DisplayMode mode;
            if (SDL_GetDisplayMode(0, i, &mode) == 0 && formatOfSdl(mode.format) != D3DFMT_UNKNOWN)
                list.push_back(toMode(mode));
        }
        if (list.empty()) list.push_back(fallbackMode());
        return list;
    }

    bool ownsVideo_ = false;
    bool display_ = false;
};

}  // namespace

}  // namespace platform::d3d8

IDirect3D8* Direct3DCreate8(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION) return nullptr;
    return new (std::nothrow) platform::d3d8::Direct3D();
}
