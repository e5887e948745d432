#include "functions.h"
#include "luaargs.h"
#include "pixelops.h"

#include <cstring>

namespace wizard::fn {
namespace {

int sizeOf(lua_State* L, int32_t ImageSlot::*field) {
    WizardState& state = lua::state(L);
    const int64_t slot = lua::integer(L, 1);
    if (!state.checkSource(slot)) return lua::result(L, -1);
    return lua::result(L, state.slots[int(slot)].*field);
}

// The pixel a get or put addresses, after the slot and coordinate checks; null when one
// failed, with `code` set to the function's failure result.
uint8_t* addressPixel(lua_State* L, int& code) {
    WizardState& state = lua::state(L);
    const int64_t slot = lua::integer(L, 1);
    const int64_t x = lua::integer(L, 2);
    const int64_t y = lua::integer(L, 3);
    if (!state.checkSource(slot)) {
        code = 1;
        return nullptr;
    }
    const ImageSlot& image = state.slots[int(slot)];
    if (x < 0 || x >= image.width) {
        state.showError("X coordinate is not valid!");
        code = 2;
        return nullptr;
    }
    if (y < 0 || y >= image.height) {
        state.showError("Y coordinate is not valid!");
        code = 3;
        return nullptr;
    }
    return image.data + (uint64_t(y) * uint64_t(image.width) + uint64_t(x)) * 4;
}

}  // namespace

int imageHeight(lua_State* L) { return sizeOf(L, &ImageSlot::height); }
int imageWidth(lua_State* L) { return sizeOf(L, &ImageSlot::width); }

int createImage(lua_State* L) {
    WizardState& state = lua::state(L);
    const int64_t slot = lua::integer(L, 1);
    const int64_t width = lua::integer(L, 2);
    const int64_t height = lua::integer(L, 3);
    const uint32_t colour = lua::colour(L, 4);
    if (width < 1 || height < 1) return lua::result(L, 2);
    if (!state.checkDestination(slot)) return lua::result(L, 1);
    PixelBuffer pixels = state.allocateFor(int(slot), width, height);
    if (!pixels) return lua::result(L, 1);
    const uint32_t opaque = (colour & 0xFFFFFFu) | 0xFF000000u;
    fillPixels(pixels.get(), uint64_t(width) * uint64_t(height), opaque);
    state.slots.replace(int(slot), std::move(pixels), int32_t(width), int32_t(height));
    return lua::result(L, 0);
}

int getImage(lua_State* L) {
    WizardState& state = lua::state(L);
    const int64_t dst = lua::integer(L, 1);
    const int64_t src = lua::integer(L, 2);
    const Rect rect{lua::coordinate(L, 3), lua::coordinate(L, 4), lua::coordinate(L, 5), lua::coordinate(L, 6)};
    if (!state.checkSource(src)) return lua::result(L, 1);
    const ImageSlot& source = state.slots[int(src)];
    if (const int code = checkRectangle(state, rect, source, source)) return lua::result(L, code);
    if (!state.checkDestination(dst)) return lua::result(L, 1);
    PixelBuffer pixels = state.allocateFor(int(dst), rect.width(), rect.height());
    if (!pixels) return lua::result(L, 1);
    // The source may be the destination itself, so it is read before the slot is refilled.
    copyRectangle(state.slots[int(src)], rect, pixels.get());
    state.slots.replace(int(dst), std::move(pixels), int32_t(rect.width()), int32_t(rect.height()));
    return lua::result(L, 0);
}

int getPixel(lua_State* L) {
    int code = 0;
    const uint8_t* p = addressPixel(L, code);
    if (!p) return lua::result(L, code);
    const uint32_t value = uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    return lua::result(L, int32_t(value));
}

int putPixel(lua_State* L) {
    int code = 0;
    uint8_t* p = addressPixel(L, code);
    if (!p) return lua::result(L, code);
    const uint32_t colour = lua::colour(L, 4);
    p[0] = uint8_t(colour >> 16);
    p[1] = uint8_t(colour >> 8);
    p[2] = uint8_t(colour);
    p[3] = uint8_t(colour >> 24);
    return lua::result(L, 0);
}

}  // namespace wizard::fn
