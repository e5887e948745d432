#include "functions.h"
#include "luaargs.h"
#include "pixelops.h"

#include <kaldorgl/kaldorgl.h>

#include <cstring>
#include <string_view>
#include <vector>

namespace wizard::fn {
namespace {

// pwMix and pwMixArea refuse the two levels that would just copy one picture.
bool checkMixLevel(const WizardState& state, int64_t level) {
    if (level != 0 && level != 100) return true;
    state.showError("Mix value is not valid!");
    return false;
}

PixelBuffer mixLevel(const uint8_t* a, const uint8_t* b, int64_t width, int64_t height,
                     int64_t level) {
    CKaldorGL library;
    return PixelBuffer(library.FX_MixLevel(a, b, uint32_t(width), uint32_t(height),
                                           KDGL_TYPE_32BIT, int32_t(std::clamp<int64_t>(level, 0, 100))));
}

// The buffer a function that may work in place writes to: the source itself, or a new
// picture of the source's size for another destination (null after an allocation failure).
struct Output {
    PixelBuffer fresh;
    uint8_t* pixels = nullptr;
};

Output outputFor(WizardState& state, int dst, int src) {
    Output out;
    if (dst == src) {
        out.pixels = state.slots[src].data;
        return out;
    }
    const ImageSlot& source = state.slots[src];
    out.fresh = state.allocateFor(dst, source.width, source.height);
    out.pixels = out.fresh.get();
    return out;
}

void commit(WizardState& state, int dst, int src, Output& out) {
    if (!out.fresh) return;
    const ImageSlot& source = state.slots[src];
    state.slots.replace(dst, std::move(out.fresh), source.width, source.height);
}

enum class Fade { LeftRight, RightLeft, TopBottom, BottomTop, Unknown };

Fade fadeDirection(const std::string& text) {
    // Only the first ten characters count, so "LEFT-RIGHT fast" still means LEFT-RIGHT.
    const std::string_view head = std::string_view(text).substr(0, 10);
    if (head == "LEFT-RIGHT") return Fade::LeftRight;
    if (head == "RIGHT-LEFT") return Fade::RightLeft;
    if (head == "TOP-BOTTOM") return Fade::TopBottom;
    if (head == "BOTTOM-TOP") return Fade::BottomTop;
    return Fade::Unknown;
}

void blendTowards(uint8_t* p, uint32_t colour, uint32_t level) {
    const uint32_t keep = 255 - level;
    p[0] = uint8_t((p[0] * keep + ((colour >> 16) & 0xFF) * level) / 255);
    p[1] = uint8_t((p[1] * keep + ((colour >> 8) & 0xFF) * level) / 255);
    p[2] = uint8_t((p[2] * keep + (colour & 0xFF) * level) / 255);
}

// Walks the lines of the gradient (columns or rows) from the starting edge. Line k sits at
// start + k * dir and gets trunc(k * step), the step summed in single precision; lines off
// the picture are skipped, and the sum jumps straight to the first one on it.
void fadeLines(ImageSlot& image, const Rect& rect, Fade direction, uint32_t colour) {
    const bool horizontal = direction == Fade::LeftRight || direction == Fade::RightLeft;
    const bool forward = direction == Fade::LeftRight || direction == Fade::TopBottom;
    const int64_t span = horizontal ? rect.right - rect.left : rect.bottom - rect.top;
    const float step = span > 0 ? 255.0f / float(span) : 0.0f;
    const int64_t start = forward ? (horizontal ? rect.left : rect.top)
                                  : (horizontal ? rect.right : rect.bottom);
    const int64_t dir = forward ? 1 : -1;
    const int64_t limit = horizontal ? image.width : image.height;
    // Offsets k in [0, span] whose line lies on the picture.
    const Span onPicture = forward ? clipSpan(start, span + 1, limit)
                                   : Span{std::max<int64_t>(0, start - limit + 1),
                                          std::min<int64_t>(span + 1, start + 1)};
    const Span across = horizontal ? clipSpan(rect.top, rect.height(), image.height)
                                   : clipSpan(rect.left, rect.width(), image.width);
    if (onPicture.empty() || across.empty()) return;
    const int64_t acrossOrigin = horizontal ? rect.top : rect.left;
    float sum = float(onPicture.first) * step;
    for (int64_t k = onPicture.first; k < onPicture.last; ++k, sum += step) {
        const uint32_t level = uint32_t(std::clamp(int64_t(sum), int64_t(0), int64_t(255)));
        const int64_t line = start + k * dir;
        for (int64_t i = across.first; i < across.last; ++i) {
            const int64_t other = acrossOrigin + i;
            const int64_t x = horizontal ? line : other;
            const int64_t y = horizontal ? other : line;
            blendTowards(image.data + (uint64_t(y) * uint64_t(image.width) + uint64_t(x)) * 4,
                         colour, level);
        }
    }
}

}  // namespace

int mix(lua_State* L) {
    WizardState& state = lua::state(L);
    const int64_t dst = lua::integer(L, 1), a = lua::integer(L, 2), b = lua::integer(L, 3);
    const int64_t level = lua::integer(L, 4);
    if (!state.checkSource(a)) return lua::result(L, 2);
    if (!state.checkSource(b)) return lua::result(L, 3);
    if (!checkMixLevel(state, level)) return lua::result(L, 4);
    const ImageSlot& first = state.slots[int(a)];
    const ImageSlot& second = state.slots[int(b)];
    if (!checkSameSize(state, first, second)) return lua::result(L, 1);
    if (!state.checkDestination(dst)) return lua::result(L, 1);
    const int32_t width = first.width, height = first.height;
    PixelBuffer mixed = mixLevel(first.data, second.data, width, height, level);
    if (!mixed) {
        state.slots.clear(int(dst));
        state.showError("Memory allocation error!");
        return lua::result(L, 1);
    }
    state.slots.replace(int(dst), std::move(mixed), width, height);
    return lua::result(L, 0);
}

int mixArea(lua_State* L) {
    WizardState& state = lua::state(L);
    const int64_t dst = lua::integer(L, 1), a = lua::integer(L, 2), b = lua::integer(L, 3);
    const int64_t level = lua::integer(L, 4);
    const Rect rect{lua::coordinate(L, 5), lua::coordinate(L, 6), lua::coordinate(L, 7), lua::coordinate(L, 8)};
    if (!state.checkSource(a)) return lua::result(L, 2);
    if (!state.checkSource(b)) return lua::result(L, 3);
    if (!checkMixLevel(state, level)) return lua::result(L, 4);
    const ImageSlot& first = state.slots[int(a)];
    const ImageSlot& second = state.slots[int(b)];
    if (const int code = checkRectangle(state, rect, first, second)) return lua::result(L, code);
    if (!checkSameSize(state, first, second)) return lua::result(L, 1);
    if (!state.checkDestination(dst)) return lua::result(L, 1);

    PixelBuffer out = state.allocateFor(int(dst), first.width, first.height, "Memory allocation FAILED!");
    if (!out) return lua::result(L, 1);
    const int32_t w = int32_t(rect.width()), h = int32_t(rect.height());
    PixelBuffer blockA = allocatePixels(w, h);
    if (!blockA) {
        state.showError("Temporary memory block 1 allocation FAILED!");
        return lua::result(L, 1);
    }
    copyRectangle(first, rect, blockA.get());
    state.slots.replace(kTempSlotA, std::move(blockA), w, h);
    PixelBuffer blockB = allocatePixels(w, h);
    if (!blockB) {
        state.showError("Temporary memory block 2 allocation FAILED!");
        return lua::result(L, 1);
    }
    copyRectangle(second, rect, blockB.get());
    state.slots.replace(kTempSlotB, std::move(blockB), w, h);
    PixelBuffer mixed = mixLevel(state.slots[kTempSlotA].data, state.slots[kTempSlotB].data, w, h, level);
    if (!mixed) {
        state.showError("Internal error!");
        return lua::result(L, 1);
    }
    state.slots.replace(kMixedSlot, std::move(mixed), w, h);

    std::memcpy(out.get(), first.data, first.byteCount());
    ImageSlot target{out.get(), first.width, first.height};
    pasteBlock(state.slots[kMixedSlot].data, w, h, target, rect.left, rect.top);
    state.slots.replace(int(dst), std::move(out), target.width, target.height);
    return lua::result(L, 0);
}

int setColorKey(lua_State* L) {
    WizardState& state = lua::state(L);
    const int64_t dst = lua::integer(L, 1), src = lua::integer(L, 2);
    const uint32_t key = lua::colour(L, 3) & 0xFFFFFFu;
    const uint8_t alpha = uint8_t(lua::integer(L, 4));
    if (!state.checkSource(src)) return lua::result(L, 2);
    if (!state.checkDestination(dst)) return lua::result(L, 1);
    Output out = outputFor(state, int(dst), int(src));
    if (!out.pixels) return lua::result(L, 1);
    const ImageSlot& source = state.slots[int(src)];
    const uint64_t count = source.pixelCount();
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* s = source.data + i * 4;
        uint8_t* d = out.pixels + i * 4;
        const uint32_t rgb = uint32_t(s[0]) << 16 | uint32_t(s[1]) << 8 | s[2];
        const uint8_t a = rgb == key ? alpha : s[3];
        d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = a;
    }
    commit(state, int(dst), int(src), out);
    return lua::result(L, 0);
}

int maskFromImage(lua_State* L) {
    WizardState& state = lua::state(L);
    const int64_t dst = lua::integer(L, 1), src = lua::integer(L, 2), msk = lua::integer(L, 3);
    if (!state.checkSource(src)) return lua::result(L, 2);
    if (!state.checkSource(msk)) return lua::result(L, 3);
    if (!checkSameSize(state, state.slots[int(src)], state.slots[int(msk)])) return lua::result(L, 1);
    if (!state.checkDestination(dst)) return lua::result(L, 1);
    Output out = outputFor(state, int(dst), int(src));
    if (!out.pixels) return lua::result(L, 1);
    const ImageSlot& source = state.slots[int(src)];
    const uint8_t* mask = state.slots[int(msk)].data;
    const uint64_t count = source.pixelCount();
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* s = source.data + i * 4;
        const uint8_t* m = mask + i * 4;
        uint8_t* d = out.pixels + i * 4;
        const uint8_t a = uint8_t((m[0] + m[1] + m[2]) / 3);
        d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = a;
    }
    commit(state, int(dst), int(src), out);
    return lua::result(L, 0);
}

int colorFade(lua_State* L) {
    WizardState& state = lua::state(L);
    const int64_t dst = lua::integer(L, 1), src = lua::integer(L, 2);
    const Rect rect{lua::coordinate(L, 3), lua::coordinate(L, 4), lua::coordinate(L, 5), lua::coordinate(L, 6)};
    const Fade direction = fadeDirection(lua::text(L, 7));
    const uint32_t colour = lua::colour(L, 8);
    if (!state.checkSource(src)) return lua::result(L, 2);
    if (rect.right < rect.left) {
        state.showError("Left coordinate is not valid!");
        return lua::result(L, 5);
    }
    if (rect.bottom < rect.top) {
        state.showError("Top coordinate is not valid!");
        return lua::result(L, 6);
    }
    if (direction == Fade::Unknown) {
        state.showError("Internal error!");
        return lua::result(L, 7);
    }
    if (!state.checkDestination(dst)) return lua::result(L, 1);
    Output out = outputFor(state, int(dst), int(src));
    if (!out.pixels) return lua::result(L, 1);
    const ImageSlot& source = state.slots[int(src)];
    if (out.fresh) std::memcpy(out.pixels, source.data, source.byteCount());
    ImageSlot target{out.pixels, source.width, source.height};
    fadeLines(target, rect, direction, colour);
    commit(state, int(dst), int(src), out);
    return lua::result(L, 0);
}

int putImage(lua_State* L) {
    WizardState& state = lua::state(L);
    const int64_t dst = lua::integer(L, 1), src = lua::integer(L, 2);
    const int64_t x = lua::coordinate(L, 3), y = lua::coordinate(L, 4);
    // Opacity is a byte; beyond it the blend would leave 0-255.
    const uint32_t opacity = uint32_t(lua::clamped(L, 5, 0, 255));
    if (!state.checkSource(dst) || !state.checkSource(src)) return lua::result(L, 1);
    ImageSlot& target = state.slots[int(dst)];
    const ImageSlot& source = state.slots[int(src)];
    // Drawing a picture onto itself reads the picture as it was, not as it is being drawn.
    std::vector<uint8_t> snapshot;
    const uint8_t* from = source.data;
    if (dst == src) {
        snapshot.assign(source.data, source.data + source.byteCount());
        from = snapshot.data();
    }
    const Span cols = clipSpan(x, source.width, target.width);
    const Span rows = clipSpan(y, source.height, target.height);
    for (int64_t j = rows.first; j < rows.last; ++j) {
        for (int64_t i = cols.first; i < cols.last; ++i) {
            const uint8_t* s = from + (uint64_t(j) * uint64_t(source.width) + uint64_t(i)) * 4;
            uint8_t* d = target.data + (uint64_t(y + j) * uint64_t(target.width) + uint64_t(x + i)) * 4;
            const uint32_t t = opacity * s[3] / 255;
            for (int c = 0; c < 3; ++c) d[c] = uint8_t((t * s[c] + d[c] * (255 - t)) / 255);
            d[3] = 255;
        }
    }
    return lua::result(L, 0);
}

}  // namespace wizard::fn
