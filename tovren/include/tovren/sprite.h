// Sprites: a caller's 32-bit picture in a texture, drawn in rectangles with clipping,
// scaling, rotation, mirroring and colour modulation through the shared sprite interface.
#pragma once

#include <platform/d3d8.h>
#include <platform/d3dx8.h>

#include <cstdint>

// Draw flags.
constexpr int TOVREN_MIRROR_HORIZONTAL = 64;
constexpr int TOVREN_MIRROR_VERTICAL = 128;

struct TOVREN_SPRITE {
    int32_t left, top, right, bottom;  // source rectangle
    int32_t red, green, blue, alpha;   // modulation 0-255, combined without masking
    uint32_t reserved;
    float rotation;  // radians
    float scaleX;
    float scaleY;
};

class cTOVREN_Sprite {
public:
    uint32_t frameInfo[3] = {};  // carried with the object, not used for drawing
    IDirect3DTexture8* texture = nullptr;

    cTOVREN_Sprite() = default;
    cTOVREN_Sprite(const cTOVREN_Sprite&) = default;
    cTOVREN_Sprite& operator=(const cTOVREN_Sprite&) = default;
    virtual ~cTOVREN_Sprite();  // releases nothing: call Release

    // Copies `width` x `height` pixels (bytes B, G, R, A, rows top first, no padding) into a
    // new power-of-two texture, releasing the sprite's previous one.
    uint32_t Create(const uint8_t* pixels, uint32_t width, uint32_t height);
    void Release();
    bool InitFrames(uint32_t count);

    // True when something reached the sprite interface. Clipping is on the unscaled source
    // rectangle, so it is exact for unscaled, unrotated drawing only.
    bool Draw(int x, int y, RECT source, RECT clip, float scaleX, float scaleY, D3DXVECTOR2 centre,
              float rotation, int flags, uint32_t color);
    bool Draw(int x, int y, RECT source, RECT clip, int flags, uint32_t color);
    bool Draw(int x, int y, RECT source, RECT clip, int flags);
    bool Draw(int x, int y, RECT clip, int flags, TOVREN_SPRITE sprite);
    // As the full Draw with another texture; leaves the lighting state alone.
    bool DrawFromTexture(IDirect3DTexture8* texture, int x, int y, RECT source, RECT clip, float scaleX,
                         float scaleY, D3DXVECTOR2 centre, float rotation, int flags, uint32_t color);
};
