#include "functions.h"
#include "luaargs.h"

#include <kaldorgl/kaldorgl.h>

#include <algorithm>
#include <cstring>

namespace wizard::fn {
namespace {

// Runs `effect` on the checked slot named by the first argument; 0, or 1 when the check fails.
template <typename Effect>
int inPlace(lua_State* L, Effect effect) {
    WizardState& state = lua::state(L);
    const int64_t slot = lua::integer(L, 1);
    if (!state.checkSource(slot)) return lua::result(L, 1);
    ImageSlot& image = state.slots[int(slot)];
    CKaldorGL library;
    effect(library, image);
    return lua::result(L, 0);
}

uint8_t scaled(uint8_t value, int64_t percent) {
    return uint8_t(std::min<int64_t>(255, value * percent / 100));
}

}  // namespace

int antialias(lua_State* L) {
    const int64_t level = lua::integer(L, 2);
    return inPlace(L, [&](CKaldorGL& library, ImageSlot& image) {
        // A window as large as the picture already averages all of it, so larger levels would
        // only cost time.
        const int64_t whole = 2 * int64_t(std::max(image.width, image.height)) + 1;
        library.FX_Antialiasing(image.data, uint32_t(std::clamp<int64_t>(level, 0, whole)),
                                uint32_t(image.width), uint32_t(image.height), KDGL_TYPE_32BIT);
    });
}

int brightness(lua_State* L) {
    // Negative levels darken fully; past 25600 % every channel saturates anyway.
    const uint32_t level = uint32_t(lua::clamped(L, 2, 0, 25600));
    return inPlace(L, [&](CKaldorGL& library, ImageSlot& image) {
        library.FX_Brightness(image.data, level, uint32_t(image.width), uint32_t(image.height),
                              KDGL_TYPE_32BIT);
    });
}

int colorBalance(lua_State* L) {
    // Negative percentages count as 0; past 25500 % every non-zero channel saturates.
    const int64_t red = lua::clamped(L, 2, 0, 25500);
    const int64_t green = lua::clamped(L, 3, 0, 25500);
    const int64_t blue = lua::clamped(L, 4, 0, 25500);
    return inPlace(L, [&](CKaldorGL&, ImageSlot& image) {
        const uint64_t count = image.pixelCount();
        for (uint64_t i = 0; i < count; ++i) {
            uint8_t* p = image.data + i * 4;
            p[0] = scaled(p[0], red);
            p[1] = scaled(p[1], green);
            p[2] = scaled(p[2], blue);
        }
    });
}

int grayscale(lua_State* L) {
    return inPlace(L, [](CKaldorGL& library, ImageSlot& image) {
        library.FX_BnW(image.data, uint32_t(image.width), uint32_t(image.height), KDGL_TYPE_32BIT);
    });
}

int invert(lua_State* L) {
    return inPlace(L, [](CKaldorGL&, ImageSlot& image) {
        const uint64_t count = image.pixelCount();
        for (uint64_t i = 0; i < count; ++i) {
            uint8_t* p = image.data + i * 4;
            p[0] = uint8_t(255 - p[0]);
            p[1] = uint8_t(255 - p[1]);
            p[2] = uint8_t(255 - p[2]);
        }
    });
}

int repack(lua_State* L) {
    // A pixel has four bytes; letters past the fourth would rewrite the next pixel, and past
    // the last pixel the memory after the picture.
    const std::string format = lua::text(L, 2).substr(0, 4);
    return inPlace(L, [&](CKaldorGL& library, ImageSlot& image) {
        library.FX_RepakBits(image.data, uint32_t(image.width), uint32_t(image.height),
                             KDGL_TYPE_32BIT, format.c_str());
    });
}

int flipVertical(lua_State* L) {
    return inPlace(L, [](CKaldorGL& library, ImageSlot& image) {
        library.FX_VerticalFlip(image.data, uint32_t(image.width), uint32_t(image.height),
                                KDGL_TYPE_32BIT);
    });
}

int flipHorizontal(lua_State* L) {
    return inPlace(L, [](CKaldorGL& library, ImageSlot& image) {
        library.FX_HorizontalFlip(image.data, uint32_t(image.width), uint32_t(image.height),
                                  KDGL_TYPE_32BIT);
    });
}

int videoHind(lua_State* L) {
    // The noise range is twice the level and must stay a positive 32-bit value.
    const uint32_t level = uint32_t(lua::clamped(L, 2, 0, 1 << 20));
    return inPlace(L, [&](CKaldorGL& library, ImageSlot& image) {
        library.FX_VideoHind(image.data, level, uint32_t(image.width), uint32_t(image.height),
                             KDGL_TYPE_32BIT);
    });
}

int resize(lua_State* L) {
    WizardState& state = lua::state(L);
    const int64_t dst = lua::integer(L, 1), src = lua::integer(L, 2);
    const int64_t width = lua::integer(L, 3), height = lua::integer(L, 4);
    if (!state.checkSource(src)) return lua::result(L, 2);
    if (dst == src) return lua::result(L, 1);
    if (!state.checkDestination(dst)) return lua::result(L, 1);
    // The library makes nothing for a size of 0 or an unchanged size: refuse the first and
    // copy for the second rather than leaving the destination empty after reporting success.
    if (width < 1 || height < 1) {
        state.showError("Wrong image resolution!");
        return lua::result(L, 2);
    }
    const ImageSlot& source = state.slots[int(src)];
    PixelBuffer resized;
    if (pictureSizeAllowed(width, height)) {
        if (width == source.width && height == source.height) {
            resized = allocatePixels(width, height);
            if (resized) std::memcpy(resized.get(), source.data, source.byteCount());
        } else {
            CKaldorGL library;
            resized.reset(library.FX_Resize(source.data, uint32_t(source.width),
                                            uint32_t(source.height), uint32_t(width),
                                            uint32_t(height), KDGL_TYPE_32BIT, true));
        }
    }
    if (!resized) {
        state.slots.clear(int(dst));
        state.showError("Memory allocation error!");
        return lua::result(L, 1);
    }
    state.slots.replace(int(dst), std::move(resized), int32_t(width), int32_t(height));
    return lua::result(L, 0);
}

}  // namespace wizard::fn
