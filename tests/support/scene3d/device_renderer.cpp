#include "device_renderer.h"

#include "d3d_device.h"

#include <platform/window.h>

#include <cstdio>
#include <cstring>

namespace kvtest::scene3d {

UINT vertexStride(DWORD fvf) {
    UINT stride = 0;
    if ((fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZ) stride += 12;
    if (fvf & D3DFVF_NORMAL) stride += 12;
    if (fvf & D3DFVF_DIFFUSE) stride += 4;
    stride += 8 * ((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
    return stride;
}

void packVertex(const Vertex& v, DWORD fvf, uint8_t* out) {
    auto put = [&out](const void* data, size_t size) {
        std::memcpy(out, data, size);
        out += size;
    };
    if ((fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZ) put(&v.x, 12);
    if (fvf & D3DFVF_NORMAL) put(&v.nx, 12);
    if (fvf & D3DFVF_DIFFUSE) put(&v.diffuse, 4);
    const DWORD sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    for (DWORD set = 0; set < sets; ++set) put(set == 0 ? &v.u : &v.u2, 8);
}

DeviceRenderer::DeviceRenderer(const Scene& scene) : scene_(scene) {
    window_ = platform::createOffscreenWindow(int32_t(scene.width), int32_t(scene.height));
    d3d_ = Direct3DCreate8(D3D_SDK_VERSION);
    if (!window_ || !d3d_) {
        error_ = "no window or Direct3D object";
        return;
    }
    HRESULT hr = kvtest::createSoftwareDevice(
        d3d_, window_, kvtest::windowedParameters(int32_t(scene.width), int32_t(scene.height)), &device_);
    if (hr != D3D_OK) {
        fail("CreateDevice", hr);
        return;
    }
    for (const Texture& t : scene.textures) {
        IDirect3DTexture8* texture = nullptr;
        hr = device_->CreateTexture(t.width, t.height, 1, 0, t.opaque ? D3DFMT_X8R8G8B8 : D3DFMT_A8R8G8B8,
                                    D3DPOOL_MANAGED, &texture);
        if (hr != D3D_OK) {
            fail("CreateTexture", hr);
            return;
        }
        textures_.push_back(texture);
        D3DLOCKED_RECT locked{};
        if ((hr = texture->LockRect(0, &locked, nullptr, 0)) != D3D_OK) {
            fail("LockRect of a texture", hr);
            return;
        }
        for (UINT y = 0; y < t.height; ++y)
            std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch, &t.texels[size_t(y) * t.width],
                        size_t(t.width) * 4);
        texture->UnlockRect(0);
    }
    for (const Draw& draw : scene.draws)
        if (!upload(draw)) return;
    for (DWORD i = 0; i < scene.lights.size(); ++i) {
        if ((hr = device_->SetLight(i, &scene.lights[i])) != D3D_OK || (hr = device_->LightEnable(i, TRUE)) != D3D_OK) {
            fail("SetLight " + std::to_string(i), hr);
            return;
        }
    }
}

// A new buffer made by create(length, &buffer) holding a copy of `bytes`.
template <class Buffer, class Create>
bool DeviceRenderer::fillBuffer(const char* what, const void* bytes, UINT length, Create create, Buffer*& out) {
    Buffer* buffer = nullptr;
    HRESULT hr = create(length, &buffer);
    if (hr != D3D_OK) return fail(std::string("Create") + what, hr);
    BYTE* data = nullptr;
    if ((hr = buffer->Lock(0, length, &data, 0)) != D3D_OK) {
        buffer->Release();
        return fail(std::string("Lock of a ") + what, hr);
    }
    std::memcpy(data, bytes, length);
    buffer->Unlock();
    out = buffer;
    return true;
}

bool DeviceRenderer::upload(const Draw& draw) {
    const UINT stride = vertexStride(draw.fvf);
    std::vector<uint8_t> bytes(size_t(stride) * draw.vertices.size());
    for (size_t i = 0; i < draw.vertices.size(); ++i) packVertex(draw.vertices[i], draw.fvf, &bytes[i * stride]);
    IDirect3DVertexBuffer8* vertices = nullptr;
    IDirect3DIndexBuffer8* indices = nullptr;
    if (!draw.fromMemory && !bytes.empty()) {
        auto create = [&](UINT length, IDirect3DVertexBuffer8** out) {
            return device_->CreateVertexBuffer(length, D3DUSAGE_WRITEONLY, draw.fvf, D3DPOOL_MANAGED, out);
        };
        if (!fillBuffer("VertexBuffer", bytes.data(), UINT(bytes.size()), create, vertices)) return false;
        bytes.clear();
    }
    vertexBuffers_.push_back(vertices);
    memoryVertices_.push_back(std::move(bytes));
    if (!draw.fromMemory && !draw.indices.empty()) {
        auto create = [&](UINT length, IDirect3DIndexBuffer8** out) {
            return device_->CreateIndexBuffer(length, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, out);
        };
        if (!fillBuffer("IndexBuffer", draw.indices.data(), UINT(draw.indices.size() * 2), create, indices))
            return false;
    }
    indexBuffers_.push_back(indices);
    return true;
}

DeviceRenderer::~DeviceRenderer() {
    for (auto* buffer : vertexBuffers_)
        if (buffer) buffer->Release();
    for (auto* buffer : indexBuffers_)
        if (buffer) buffer->Release();
    for (auto* texture : textures_) texture->Release();
    if (device_) device_->Release();
    if (d3d_) d3d_->Release();
    if (window_) platform::destroyWindow(window_);
}

bool DeviceRenderer::fail(const std::string& what, HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    error_ = what + " failed with " + code;
    return false;
}

bool DeviceRenderer::apply(const Draw& draw, size_t index) {
    const std::string where = "draw " + std::to_string(index) + ": ";
    HRESULT hr = D3D_OK;
    if (draw.world && (hr = device_->SetTransform(D3DTS_WORLD, &*draw.world)) != D3D_OK)
        return fail(where + "SetTransform(WORLD)", hr);
    if (draw.view && (hr = device_->SetTransform(D3DTS_VIEW, &*draw.view)) != D3D_OK)
        return fail(where + "SetTransform(VIEW)", hr);
    if (draw.projection && (hr = device_->SetTransform(D3DTS_PROJECTION, &*draw.projection)) != D3D_OK)
        return fail(where + "SetTransform(PROJECTION)", hr);
    if (draw.material && (hr = device_->SetMaterial(&*draw.material)) != D3D_OK)
        return fail(where + "SetMaterial", hr);
    for (const RenderState& rs : draw.renderStates)
        if ((hr = device_->SetRenderState(rs.state, rs.value)) != D3D_OK)
            return fail(where + "SetRenderState " + std::to_string(rs.state), hr);
    for (const StageState& ss : draw.stageStates)
        if ((hr = device_->SetTextureStageState(ss.stage, ss.type, ss.value)) != D3D_OK)
            return fail(where + "SetTextureStageState " + std::to_string(ss.type), hr);
    const std::optional<int> bound[2] = {draw.texture, draw.texture1};
    for (DWORD stage = 0; stage < 2; ++stage) {
        if (!bound[stage]) continue;
        IDirect3DBaseTexture8* texture = *bound[stage] >= 0 ? textures_.at(size_t(*bound[stage])) : nullptr;
        if ((hr = device_->SetTexture(stage, texture)) != D3D_OK) return fail(where + "SetTexture", hr);
    }
    if ((hr = device_->SetVertexShader(draw.fvf)) != D3D_OK) return fail(where + "SetVertexShader", hr);
    if (draw.fromMemory) return true;
    if ((hr = device_->SetStreamSource(0, vertexBuffers_[index], vertexStride(draw.fvf))) != D3D_OK)
        return fail(where + "SetStreamSource", hr);
    if (indexBuffers_[index] && (hr = device_->SetIndices(indexBuffers_[index], 0)) != D3D_OK)
        return fail(where + "SetIndices", hr);
    return true;
}

HRESULT DeviceRenderer::draw(const Draw& draw, size_t index) {
    const UINT count = primitiveCount(draw), stride = vertexStride(draw.fvf);
    const UINT vertices = UINT(draw.vertices.size());
    const uint8_t* memory = memoryVertices_[index].data();
    if (count == 0) return D3D_OK;
    if (draw.fromMemory && draw.indices.empty()) return device_->DrawPrimitiveUP(draw.type, count, memory, stride);
    if (draw.fromMemory)
        return device_->DrawIndexedPrimitiveUP(draw.type, 0, vertices, count, draw.indices.data(), D3DFMT_INDEX16,
                                               memory, stride);
    if (draw.indices.empty()) return device_->DrawPrimitive(draw.type, 0, count);
    return device_->DrawIndexedPrimitive(draw.type, 0, vertices, 0, count);
}

bool DeviceRenderer::render() {
    if (!error_.empty()) return false;
    HRESULT hr = device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, scene_.clear, 1.0f, 0);
    if (hr != D3D_OK) return fail("Clear", hr);
    if ((hr = device_->BeginScene()) != D3D_OK) return fail("BeginScene", hr);
    for (size_t i = 0; i < scene_.draws.size(); ++i) {
        if (!apply(scene_.draws[i], i)) return false;
        if ((hr = draw(scene_.draws[i], i)) != D3D_OK) return fail("draw " + std::to_string(i), hr);
    }
    if ((hr = device_->EndScene()) != D3D_OK) return fail("EndScene", hr);
    return true;
}

Image DeviceRenderer::read() const {
    Image image{scene_.width, scene_.height, std::vector<uint32_t>(size_t(scene_.width) * scene_.height)};
    IDirect3DSurface8* back = nullptr;
    if (!device_ || device_->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back) != D3D_OK) return image;
    D3DLOCKED_RECT locked{};
    if (back->LockRect(&locked, nullptr, D3DLOCK_READONLY) == D3D_OK) {
        for (UINT y = 0; y < scene_.height; ++y)
            std::memcpy(&image.pixels[size_t(y) * scene_.width],
                        static_cast<const uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch, size_t(scene_.width) * 4);
        back->UnlockRect();
    }
    back->Release();
    return image;
}

}  // namespace kvtest::scene3d
