// The software device the tests and benchmarks draw with: windowed, with a depth buffer,
// on an offscreen window of the back buffer's size.
#pragma once

#include <platform/d3d8.h>

#include <cstdint>

namespace kvtest {

inline D3DPRESENT_PARAMETERS windowedParameters(int32_t width, int32_t height, D3DFORMAT format = D3DFMT_X8R8G8B8,
                                                D3DFORMAT depthFormat = D3DFMT_D16) {
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = format;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = depthFormat;
    return pp;
}

// Creates the device of `d3d` for `window`; D3D_OK or the failure.
inline HRESULT createSoftwareDevice(IDirect3D8* d3d, HWND window, D3DPRESENT_PARAMETERS pp, IDirect3DDevice8** device) {
    return d3d->CreateDevice(0, D3DDEVTYPE_SW, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, device);
}

}  // namespace kvtest
