// The process-wide device set every engine class draws through. One per process, used from
// the rendering thread only.
#pragma once

#include <platform/d3d8.h>
#include <platform/d3dx8.h>

namespace tovren {

struct DeviceSet {
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    ID3DXSprite* sprite = nullptr;
    // The device's own depth buffer, kept so that leaving a render texture restores it.
    IDirect3DSurface8* depthStencil = nullptr;
    // The graphics object that created the set; only its destructor tears the set down.
    const void* owner = nullptr;
};

DeviceSet& devices();

template <typename T>
void releaseAndClear(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

}  // namespace tovren
