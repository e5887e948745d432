// Textures on the shared device, filled from pictures in the engine's in-memory form.
#pragma once

#include <tovren/image.h>

#include <platform/d3d8.h>

#include <cstdint>

class cTOVREN_Texture {
public:
    cTOVREN_Image image;  // the loading stage; empty between loads
    IDirect3DTexture8* texture = nullptr;
    uint32_t width = 0;  // as given to Create
    uint32_t height = 0;

    cTOVREN_Texture() = default;
    // Copies share the texture.
    cTOVREN_Texture(const cTOVREN_Texture&) = default;
    cTOVREN_Texture& operator=(const cTOVREN_Texture&) = default;
    virtual ~cTOVREN_Texture();  // releases nothing: call Release

    // A dynamic A8R8G8B8 texture of one level, replacing the one held; 0x50000002 on failure.
    uint32_t Create(uint32_t width, uint32_t height);
    // Copies width x height pixels (rows packed) into level 0: 1 for null pixels, 0x11111111
    // when the texture cannot be locked over that rectangle.
    uint32_t SetRaster(const uint8_t* pixels, uint32_t width, uint32_t height);
    // Loads the picture (flip: bottom row first) into a texture of its size.
    uint32_t LoadFromFile(const char* fileName, bool flip);
    // Makes the texture that of stage 0; always true.
    bool Bind();
    // Releases the texture and any picture still in the loading stage.
    void Release();
};
