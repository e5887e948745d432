#include <platform/gdi.h>

#include <cstring>
#include <new>

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
    if (width <= 0 || height <= 0 || planes != 1) return nullptr;
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 16 &&
        bitsPerPixel != 24 && bitsPerPixel != 32)
        return nullptr;
    const uint64_t rowBits = static_cast<uint64_t>(width) * bitsPerPixel;
    const uint64_t stride = ((rowBits + 15) / 16) * 2;
    const uint64_t total = stride * static_cast<uint64_t>(height);
    if (total > (uint64_t(1) << 31)) return nullptr;
    auto* bitmap = new (std::nothrow) platform::Bitmap;
    if (!bitmap) return nullptr;
    try {
        bitmap->bits.assign(static_cast<size_t>(total), 0);
    } catch (const std::bad_alloc&) {
        delete bitmap;
        return nullptr;
    }
    bitmap->width = width;
    bitmap->height = height;
    bitmap->bitsPerPixel = bitsPerPixel;
    bitmap->stride = static_cast<uint32_t>(stride);
    if (bits) std::memcpy(bitmap->bits.data(), bits, static_cast<size_t>(total));
    return bitmap;
}

BOOL DeleteObject(HGDIOBJ object) {
    if (!object) return FALSE;
    delete object;
    return TRUE;
}
