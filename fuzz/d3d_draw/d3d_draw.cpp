// Random draws through the software device: vertex formats, render and stage states,
// matrices, lights, textures and vertex data all come from the input. Nothing may crash,
// hang or read outside a buffer.
#include <platform/d3dx8.h>
#include <platform/window.h>
#include <support/bytes.h>

#include "d3d_device.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr UINT kWidth = 64, kHeight = 48;

// Bytes taken from the front of the input; zeros once it runs out.
class Input {
public:
    Input(const uint8_t* data, size_t size) : in_(data, size) {}
    uint8_t byte() { return in_.u8(); }
    uint32_t dword() { return in_.le32(); }
    float number() {
        const uint32_t bits = dword();
        float value;
        std::memcpy(&value, &bits, 4);
        return value;
    }
    // A small float most of the time, any bit pattern (NaN, infinities, huge) sometimes.
    float coordinate() {
        const uint8_t kind = byte();
        if (kind < 200) return (float(int8_t(byte())) + float(byte()) / 256.0f) * (kind % 4 == 0 ? 8.0f : 1.0f);
        return number();
    }
    std::vector<uint8_t> rest(size_t limit) {
        std::vector<uint8_t> bytes(std::min(limit, in_.left()));
        in_.bytes(bytes.data(), bytes.size());
        return bytes;
    }

private:
    kvsupport::ByteCursor in_;
};

struct Device {
    HWND window = platform::createOffscreenWindow(kWidth, kHeight);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    IDirect3DDevice8* device = nullptr;
    Device() {
        kvtest::createSoftwareDevice(d3d, window, kvtest::windowedParameters(kWidth, kHeight), &device);
    }
};

const D3DRENDERSTATETYPE kStates[] = {
    D3DRS_ZENABLE,         D3DRS_FILLMODE,         D3DRS_SHADEMODE,         D3DRS_ZWRITEENABLE,
    D3DRS_ALPHATESTENABLE, D3DRS_LASTPIXEL,        D3DRS_SRCBLEND,          D3DRS_DESTBLEND,
    D3DRS_CULLMODE,        D3DRS_ZFUNC,            D3DRS_ALPHAREF,          D3DRS_ALPHAFUNC,
    D3DRS_ALPHABLENDENABLE, D3DRS_FOGENABLE,       D3DRS_SPECULARENABLE,    D3DRS_FOGCOLOR,
    D3DRS_FOGTABLEMODE,    D3DRS_FOGSTART,         D3DRS_FOGEND,            D3DRS_FOGDENSITY,
    D3DRS_RANGEFOGENABLE,  D3DRS_TEXTUREFACTOR,    D3DRS_LIGHTING,          D3DRS_AMBIENT,
    D3DRS_FOGVERTEXMODE,   D3DRS_COLORVERTEX,      D3DRS_LOCALVIEWER,       D3DRS_NORMALIZENORMALS,
    D3DRS_DIFFUSEMATERIALSOURCE, D3DRS_SPECULARMATERIALSOURCE, D3DRS_AMBIENTMATERIALSOURCE,
    D3DRS_EMISSIVEMATERIALSOURCE, D3DRS_COLORWRITEENABLE, D3DRS_BLENDOP};

const D3DTEXTURESTAGESTATETYPE kStageStates[] = {
    D3DTSS_COLOROP,  D3DTSS_COLORARG1, D3DTSS_COLORARG2, D3DTSS_ALPHAOP,       D3DTSS_ALPHAARG1,
    D3DTSS_ALPHAARG2, D3DTSS_TEXCOORDINDEX, D3DTSS_ADDRESSU, D3DTSS_ADDRESSV, D3DTSS_BORDERCOLOR,
    D3DTSS_MAGFILTER, D3DTSS_MINFILTER, D3DTSS_MIPFILTER,  D3DTSS_MIPMAPLODBIAS, D3DTSS_MAXMIPLEVEL};

const D3DFORMAT kTextureFormats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,
                                     D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_R8G8B8};

// Small values usually (enumerations), any value sometimes.
DWORD stateValue(Input& in) {
    const uint8_t kind = in.byte();
    return kind < 220 ? kind % 16 : in.dword();
}

void setStates(IDirect3DDevice8* device, Input& in) {
    for (int n = in.byte() % 24; n > 0; --n)
        device->SetRenderState(kStates[in.byte() % std::size(kStates)], stateValue(in));
    for (int n = in.byte() % 12; n > 0; --n)
        device->SetTextureStageState(in.byte() % 3, kStageStates[in.byte() % std::size(kStageStates)], stateValue(in));
}

void setMatrices(IDirect3DDevice8* device, Input& in) {
    const uint8_t which = in.byte();
    D3DXMATRIX m;
    D3DXMatrixPerspectiveFovLH(&m, 0.5f + float(which % 8) * 0.25f, 4.0f / 3.0f, 0.5f + float(which % 3), 100.0f);
    device->SetTransform(D3DTS_PROJECTION, &m);
    for (D3DTRANSFORMSTATETYPE state : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION}) {
        if (!(in.byte() & 1)) continue;
        for (auto& row : m.m)
            for (float& value : row) value = in.coordinate();
        device->SetTransform(state, &m);
    }
}

void setLights(IDirect3DDevice8* device, Input& in) {
    for (DWORD i = 0, n = in.byte() % 4; i < n; ++i) {
        D3DLIGHT8 light{};
        light.Type = static_cast<D3DLIGHTTYPE>(in.byte() % 4);
        light.Diffuse = {in.coordinate(), in.coordinate(), in.coordinate(), 1};
        light.Specular = {in.coordinate(), 1, 1, 1};
        light.Position = {in.coordinate(), in.coordinate(), in.coordinate()};
        light.Direction = {in.coordinate(), in.coordinate(), in.coordinate()};
        light.Range = in.coordinate();
        light.Falloff = in.coordinate();
        light.Attenuation0 = in.coordinate();
        light.Attenuation1 = in.coordinate();
        light.Attenuation2 = in.coordinate();
        light.Theta = in.coordinate();
        light.Phi = in.coordinate();
        device->SetLight(i, &light);
        device->LightEnable(i, in.byte() & 1);
    }
    D3DMATERIAL8 material{};
    material.Diffuse = {in.coordinate(), 1, 1, 1};
    material.Specular = {1, in.coordinate(), 1, 1};
    material.Power = in.coordinate();
    device->SetMaterial(&material);
}

IDirect3DTexture8* makeTexture(IDirect3DDevice8* device, Input& in) {
    const UINT width = 1 + in.byte() % 16, height = 1 + in.byte() % 16;
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(D3DXCreateTexture(device, width, height, in.byte() % 3, 0, kTextureFormats[in.byte() % 6],
                                 D3DPOOL_MANAGED, &texture)))
        return nullptr;
    D3DLOCKED_RECT locked{};
    if (SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0))) {
        for (UINT y = 0; y < height; ++y)
            for (UINT x = 0; x < uint32_t(locked.Pitch); ++x) static_cast<uint8_t*>(locked.pBits)[y * locked.Pitch + x] = in.byte();
        texture->UnlockRect(0);
    }
    return texture;
}

void draw(IDirect3DDevice8* device, Input& in) {
    static constexpr DWORD kPositions[] = {D3DFVF_XYZ, D3DFVF_XYZRHW, 0};
    const uint8_t shape = in.byte();
    DWORD fvf = kPositions[shape % 3] | (shape & 0x08 ? D3DFVF_NORMAL : 0) | (shape & 0x10 ? D3DFVF_DIFFUSE : 0) |
                (shape & 0x20 ? D3DFVF_SPECULAR : 0) | (DWORD(in.byte() % 4) << D3DFVF_TEXCOUNT_SHIFT);
    if (shape & 0x40) fvf |= D3DFVF_TEXCOORDSIZE3(0) | D3DFVF_TEXCOORDSIZE1(1);
    device->SetVertexShader(fvf);
    const UINT stride = 8 + in.byte() % 72;
    const D3DPRIMITIVETYPE type = static_cast<D3DPRIMITIVETYPE>(in.byte() % 8);
    const UINT count = in.byte() % 40;
    const UINT start = in.byte() % 8;
    const uint8_t call = in.byte() % 4;

    // Vertex data: positions and colours from the input, in the format's layout or not.
    std::vector<uint8_t> vertices = in.rest(2048);
    for (size_t i = 0; i + 4 <= vertices.size(); i += 4 * (1 + vertices[i] % 3)) {
        const float value = float(int8_t(vertices[i])) * (vertices[i + 1] % 2 ? 0.5f : 4.0f);
        std::memcpy(&vertices[i], &value, 4);
    }
    if (vertices.empty()) vertices.resize(stride);
    std::vector<uint16_t> indices(64);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = uint16_t(vertices[i % vertices.size()] % 24);

    if (call == 0) {
        IDirect3DVertexBuffer8* buffer = nullptr;
        if (FAILED(device->CreateVertexBuffer(UINT(vertices.size()), 0, fvf, D3DPOOL_MANAGED, &buffer))) return;
        BYTE* data = nullptr;
        if (SUCCEEDED(buffer->Lock(0, 0, &data, 0))) {
            std::memcpy(data, vertices.data(), vertices.size());
            buffer->Unlock();
        }
        device->SetStreamSource(0, buffer, stride);
        device->DrawPrimitive(type, start, count);
        IDirect3DIndexBuffer8* ib = nullptr;
        if (SUCCEEDED(device->CreateIndexBuffer(UINT(indices.size() * 2), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib))) {
            if (SUCCEEDED(ib->Lock(0, 0, &data, 0))) {
                std::memcpy(data, indices.data(), indices.size() * 2);
                ib->Unlock();
            }
            device->SetIndices(ib, start);
            device->DrawIndexedPrimitive(type, 0, 24, start, count);
            device->SetIndices(nullptr, 0);
            ib->Release();
        }
        device->SetStreamSource(0, nullptr, 0);
        buffer->Release();
    } else if (call == 1 && uint64_t(count) * 3 * stride <= vertices.size()) {
        device->DrawPrimitiveUP(type, count, vertices.data(), stride);
    } else if (uint64_t(24) * stride <= vertices.size() && count * 3 <= indices.size()) {
        device->DrawIndexedPrimitiveUP(type, 0, 24, count, indices.data(), D3DFMT_INDEX16, vertices.data(), stride);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Device shared;
    IDirect3DDevice8* device = shared.device;
    if (!device) return 0;
    Input in(data, size);
    D3DVIEWPORT8 viewport{in.byte() % 32u, in.byte() % 24u, 1 + in.byte() % 32u, 1 + in.byte() % 24u, 0.0f, 1.0f};
    device->SetViewport(&viewport);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    setStates(device, in);
    setMatrices(device, in);
    setLights(device, in);
    IDirect3DTexture8* textures[2] = {makeTexture(device, in), in.byte() & 1 ? makeTexture(device, in) : nullptr};
    device->SetTexture(0, textures[0]);
    device->SetTexture(1, textures[1]);
    device->BeginScene();
    draw(device, in);
    device->EndScene();
    device->SetTexture(0, nullptr);
    device->SetTexture(1, nullptr);
    for (IDirect3DTexture8* texture : textures)
        if (texture) texture->Release();
    // Back to the defaults that matter for the next input.
    for (D3DRENDERSTATETYPE state : kStates) device->SetRenderState(state, 0);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    return 0;
}
