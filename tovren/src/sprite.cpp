#include <tovren/sprite.h>

#include <tovren/debug.h>

#include "device_set.h"

#include <algorithm>
#include <cstring>

using tovren::devices;
using tovren::releaseAndClear;

namespace {

// Larger textures cannot be addressed with 32-bit sizes; D3DX would refuse them anyway.
constexpr uint64_t kMaxTextureSide = uint64_t{1} << 30;

// Smallest power of two >= size, doubling from 1 at least once (so at least 2).
uint64_t textureSide(uint32_t size) {
    uint64_t side = 2;
    while (side < size) side *= 2;
    return side;
}

uint32_t copyRows(IDirect3DTexture8* texture, const uint8_t* pixels, uint32_t width, uint32_t height,
                  uint32_t textureWidth, uint32_t textureHeight) {
    const RECT whole{0, 0, static_cast<LONG>(textureWidth), static_cast<LONG>(textureHeight)};
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(0, &locked, &whole, 0))) return TOVREN_ERR_SPRITE_LOCK;
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    auto* bits = static_cast<uint8_t*>(locked.pBits);
    for (uint32_t row = 0; row < height; ++row) {
        std::memcpy(bits + static_cast<ptrdiff_t>(row) * locked.Pitch, pixels + row * rowBytes, rowBytes);
    }
    if (FAILED(texture->UnlockRect(0))) return TOVREN_ERR_SPRITE_UNLOCK;
    return TOVREN_OK;
}

// Half the source size, halved in integers as the short Draw overloads define it.
D3DXVECTOR2 sourceCentre(const RECT& source) {
    return D3DXVECTOR2(static_cast<float>((int64_t{source.right} - source.left) / 2),
                       static_cast<float>((int64_t{source.bottom} - source.top) / 2));
}

// Clips the source rectangle against `clip` in unscaled pixels (64-bit, so that no edge
// arithmetic can overflow) and hands the rest to the shared sprite interface.
bool drawClipped(IDirect3DTexture8* texture, int x, int y, RECT source, RECT clip, float scaleX, float scaleY,
                 D3DXVECTOR2 centre, float rotation, int flags, uint32_t color, bool lightingOff) {
    ID3DXSprite* sprite = devices().sprite;
    if (!sprite || !texture) return false;
    const bool mirrorX = (flags & TOVREN_MIRROR_HORIZONTAL) != 0;
    const bool mirrorY = (flags & TOVREN_MIRROR_VERTICAL) != 0;
    int64_t sl = source.left, st = source.top, sr = source.right, sb = source.bottom;
    int64_t px = x, py = y;
    const int64_t w0 = sr - sl, h0 = sb - st;
    if (!(px < clip.right && py < clip.bottom && px + w0 > clip.left && py + h0 > clip.top)) return false;

    if (px + w0 > clip.right) {
        const int64_t over = px + w0 - clip.right;
        if (mirrorX) sl += over; else sr -= over;
        sr = std::max(sr, sl);
    }
    if (px < clip.left) {
        const int64_t over = clip.left - px;
        if (mirrorX) sr -= over; else sl += over;
        px = clip.left;
    }
    if (py + h0 > clip.bottom) {
        const int64_t over = py + h0 - clip.bottom;
        if (mirrorY) st += over; else sb -= over;
        sb = std::max(sb, st);
    }
    if (py < clip.top) {
        const int64_t over = clip.top - py;
        if (mirrorY) sb -= over; else st += over;
        py = clip.top;
    }
    const int64_t w = sr - sl, h = sb - st;
    if (w < 0 || h < 0) return false;

    // A mirror flips about the sprite's own extent, so it covers the same pixels as unmirrored.
    D3DXVECTOR2 translation(static_cast<float>(px), static_cast<float>(py));
    D3DXVECTOR2 scaling(scaleX, scaleY);
    if (mirrorX) {
        translation.x += static_cast<float>(w) * scaleX;
        scaling.x = -scaleX;
    }
    if (mirrorY) {
        translation.y += static_cast<float>(h) * scaleY;
        scaling.y = -scaleY;
    }
    if (lightingOff && devices().device) devices().device->SetRenderState(D3DRS_LIGHTING, FALSE);
    const RECT clipped{static_cast<LONG>(sl), static_cast<LONG>(st), static_cast<LONG>(sr), static_cast<LONG>(sb)};
    sprite->Draw(texture, &clipped, &scaling, &centre, rotation, &translation, color);
    return true;
}

}  // namespace

cTOVREN_Sprite::~cTOVREN_Sprite() = default;

uint32_t cTOVREN_Sprite::Create(const uint8_t* pixels, uint32_t width, uint32_t height) {
    const uint64_t textureWidth = textureSide(width);
    const uint64_t textureHeight = textureSide(height);
    if (!pixels && width != 0 && height != 0) return TOVREN_ERR_POINTER;
    Release();
    IDirect3DDevice8* device = devices().device;
    if (!device || textureWidth > kMaxTextureSide || textureHeight > kMaxTextureSide ||
        FAILED(D3DXCreateTexture(device, static_cast<UINT>(textureWidth), static_cast<UINT>(textureHeight), 1,
                                 D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture))) {
        texture = nullptr;
        return TOVREN_ERR_SPRITE_TEXTURE;
    }
    if (width == 0) height = 0;  // nothing to copy, and a null buffer is then fine
    return copyRows(texture, pixels, width, height, static_cast<uint32_t>(textureWidth),
                    static_cast<uint32_t>(textureHeight));
}

void cTOVREN_Sprite::Release() { releaseAndClear(texture); }

bool cTOVREN_Sprite::InitFrames(uint32_t /*count*/) { return false; }

bool cTOVREN_Sprite::Draw(int x, int y, RECT source, RECT clip, float scaleX, float scaleY, D3DXVECTOR2 centre,
                          float rotation, int flags, uint32_t color) {
    return drawClipped(texture, x, y, source, clip, scaleX, scaleY, centre, rotation, flags, color, true);
}

bool cTOVREN_Sprite::Draw(int x, int y, RECT source, RECT clip, int flags, uint32_t color) {
    return Draw(x, y, source, clip, 1.0f, 1.0f, sourceCentre(source), 0.0f, flags, color);
}

bool cTOVREN_Sprite::Draw(int x, int y, RECT source, RECT clip, int flags) {
    return Draw(x, y, source, clip, flags, 0xFFFFFFFFu);
}

bool cTOVREN_Sprite::Draw(int x, int y, RECT clip, int flags, TOVREN_SPRITE record) {
    const RECT source{record.left, record.top, record.right, record.bottom};
    const uint32_t color = static_cast<uint32_t>(record.alpha) << 24 | static_cast<uint32_t>(record.red) << 16 |
                           static_cast<uint32_t>(record.green) << 8 | static_cast<uint32_t>(record.blue);
    return Draw(x, y, source, clip, record.scaleX, record.scaleY, sourceCentre(source), record.rotation, flags,
                color);
}

bool cTOVREN_Sprite::DrawFromTexture(IDirect3DTexture8* other, int x, int y, RECT source, RECT clip, float scaleX,
                                     float scaleY, D3DXVECTOR2 centre, float rotation, int flags, uint32_t color) {
    return drawClipped(other, x, y, source, clip, scaleX, scaleY, centre, rotation, flags, color, false);
}
