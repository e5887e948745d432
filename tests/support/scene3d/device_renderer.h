// Draws a scene through the software IDirect3DDevice8, the way a game does.
#pragma once

#include "scene.h"

#include <string>

namespace kvtest::scene3d {

class DeviceRenderer {
public:
    // Creates an offscreen window and a device of the scene's size (X8R8G8B8, auto D16 depth),
    // and the vertex buffers and textures of the scene's draws. error() says what failed.
    explicit DeviceRenderer(const Scene& scene);
    ~DeviceRenderer();
    DeviceRenderer(const DeviceRenderer&) = delete;
    DeviceRenderer& operator=(const DeviceRenderer&) = delete;

    const std::string& error() const { return error_; }
    IDirect3DDevice8* device() const { return device_; }

    // Clears and draws every draw of the scene (reading its current matrices and states),
    // between BeginScene and EndScene. False, with error() set, when a call fails.
    bool render();
    // The back buffer's pixels.
    Image read() const;

private:
    bool fail(const std::string& what, HRESULT hr);
    bool upload(const Draw& draw);
    template <class Buffer, class Create>
    bool fillBuffer(const char* what, const void* bytes, UINT length, Create create, Buffer*& out);
    bool apply(const Draw& draw, size_t index);
    HRESULT draw(const Draw& draw, size_t index);

    const Scene& scene_;
    HWND window_ = nullptr;
    IDirect3D8* d3d_ = nullptr;
    IDirect3DDevice8* device_ = nullptr;
    // One of each per draw: null buffers, or no bytes, where the draw does not use them.
    std::vector<IDirect3DVertexBuffer8*> vertexBuffers_;
    std::vector<IDirect3DIndexBuffer8*> indexBuffers_;
    std::vector<std::vector<uint8_t>> memoryVertices_;
    std::vector<IDirect3DTexture8*> textures_;
    std::string error_;
};

// Bytes per vertex of the FVF codes the scenes use (position, normal, diffuse, texture sets).
UINT vertexStride(DWORD fvf);
// Packs the attributes `fvf` names, in Direct3D's order, into `out`.
void packVertex(const Vertex& vertex, DWORD fvf, uint8_t* out);

}  // namespace kvtest::scene3d
