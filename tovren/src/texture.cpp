#include <tovren/texture.h>

#include <tovren/debug.h>

#include "device_set.h"

#include <platform/d3dx8.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

using tovren::devices;
using tovren::releaseAndClear;

namespace {

constexpr uint32_t kLockFailed = 0x11111111;
constexpr uint32_t kNullPixels = 1;

void freePixels(cTOVREN_Image& image) {
    std::free(image.pixels);
    image.pixels = nullptr;
}

}  // namespace

cTOVREN_Texture::~cTOVREN_Texture() = default;

uint32_t cTOVREN_Texture::Create(uint32_t newWidth, uint32_t newHeight) {
    releaseAndClear(texture);
    IDirect3DDevice8* device = devices().device;
    if (!device || FAILED(D3DXCreateTexture(device, newWidth, newHeight, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8,
                                            D3DPOOL_DEFAULT, &texture))) {
        texture = nullptr;
        return TOVREN_ERR_TEXTURE_CREATE;
    }
    width = newWidth;
    height = newHeight;
    return TOVREN_OK;
}

uint32_t cTOVREN_Texture::SetRaster(const uint8_t* pixels, uint32_t rasterWidth, uint32_t rasterHeight) {
    if (!pixels) return kNullPixels;
    if (!texture || rasterWidth > INT32_MAX || rasterHeight > INT32_MAX) return kLockFailed;
    const RECT area{0, 0, static_cast<LONG>(rasterWidth), static_cast<LONG>(rasterHeight)};
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(0, &locked, &area, 0)) || !locked.pBits) return kLockFailed;
    const size_t rowBytes = size_t{rasterWidth} * 4;
    auto* bits = static_cast<uint8_t*>(locked.pBits);
    for (uint32_t row = 0; row < rasterHeight; ++row) {
        std::memcpy(bits + static_cast<ptrdiff_t>(row) * locked.Pitch, pixels + row * rowBytes, rowBytes);
    }
    texture->UnlockRect(0);
    return TOVREN_OK;
}

uint32_t cTOVREN_Texture::LoadFromFile(const char* fileName, bool flip) {
    uint32_t status = image.LoadImageA(fileName);
    if (status == TOVREN_OK) {
        if (flip) image.VerticalFlip();
        status = Create(image.width, image.height);
        if (status == TOVREN_OK) status = SetRaster(image.pixels, image.width, image.height);
    }
    freePixels(image);
    return status;
}

bool cTOVREN_Texture::Bind() {
    if (IDirect3DDevice8* device = devices().device) device->SetTexture(0, texture);
    return true;
}

void cTOVREN_Texture::Release() {
    releaseAndClear(texture);
    freePixels(image);
}
