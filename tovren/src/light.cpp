#include <tovren/light.h>

#include "device_set.h"

#include <algorithm>

using tovren::devices;

namespace {

D3DCOLORVALUE colorValue(TOVREN_RGB c) { return D3DCOLORVALUE{c.r, c.g, c.b, 0.0f}; }

D3DVECTOR vector(TOVREN_fCoord3 v) { return D3DVECTOR{v.x, v.y, v.z}; }

// The channel x 255, truncated; NaN counts as 0.
DWORD channelByte(float value) {
    const float clamped = value > 0.0f ? std::min(value, 1.0f) : 0.0f;
    return static_cast<DWORD>(clamped * 255.0f);
}

}  // namespace

uint32_t cTOVREN_Light::Create(int32_t lightIndex, TOVREN_LIGHT source) {
    record = source;
    index = lightIndex;
    light = D3DLIGHT8{};
    // The device accepts no other type, so a light of any other kind could never be set.
    if (source.kind < TOVREN_LIGHT_POINT || source.kind > TOVREN_LIGHT_DIRECTIONAL) return 0xFFFFFFFFu;
    light.Type = static_cast<D3DLIGHTTYPE>(source.kind);
    light.Position = vector(source.position);
    light.Direction = vector(source.direction);
    light.Ambient = colorValue(source.ambient);
    light.Diffuse = colorValue(source.diffuse);
    light.Specular = colorValue(source.specular);
    light.Range = source.range;
    light.Phi = source.outerCone;
    light.Theta = source.innerCone;
    light.Attenuation0 = 1.0f;
    return 0;
}

uint32_t cTOVREN_Light::SetAmbientLight(TOVREN_RGB color) {
    if (IDirect3DDevice8* device = devices().device) {
        const DWORD value = channelByte(color.r) << 16 | channelByte(color.g) << 8 | channelByte(color.b);
        device->SetRenderState(D3DRS_AMBIENT, value);
    }
    return 0;
}

uint32_t cTOVREN_Light::PrepareAndRestore() {
    if (IDirect3DDevice8* device = devices().device) {
        device->SetLight(static_cast<DWORD>(index), &light);
        device->LightEnable(static_cast<DWORD>(index), TRUE);
    }
    return 0;
}

uint32_t cTOVREN_Light::Apply() {
    if (IDirect3DDevice8* device = devices().device) device->SetLight(static_cast<DWORD>(index), &light);
    return 0;
}

bool cTOVREN_Light::Switch(bool on) {
    if (IDirect3DDevice8* device = devices().device) device->LightEnable(static_cast<DWORD>(index), on ? TRUE : FALSE);
    return on;
}

void cTOVREN_Light::UseLighting(bool on) {
    if (IDirect3DDevice8* device = devices().device) device->SetRenderState(D3DRS_LIGHTING, on ? TRUE : FALSE);
}
