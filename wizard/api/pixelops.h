// Small pixel loops and checks that several script functions share.
#pragma once

#include "state.h"

#include <cstdint>

namespace wizard {

// An inclusive rectangle as scripts give it: left, top, right, bottom.
struct Rect {
    int64_t left, top, right, bottom;
    int64_t width() const { return right - left + 1; }
    int64_t height() const { return bottom - top + 1; }
};

// Checks that the rectangle lies inside both pictures, showing the first coordinate that
// does not. Returns 0, or 5, 6, 7, 8 for left, top, right, bottom.
int checkRectangle(const WizardState& state, const Rect& rect, const ImageSlot& a,
                   const ImageSlot& b);

// True when both pictures have the same size; else shows the message and returns false.
bool checkSameSize(const WizardState& state, const ImageSlot& a, const ImageSlot& b);

// Writes `count` pixels of the 0xAARRGGBB colour as R, G, B, A bytes.
void fillPixels(uint8_t* out, uint64_t count, uint32_t colour);

// Copies a rectangle that lies inside `image` into a tightly packed buffer.
void copyRectangle(const ImageSlot& image, const Rect& rect, uint8_t* out);

// Copies a packed block of blockWidth x blockHeight pixels into `image` at (x, y); the parts
// outside the picture are left out.
void pasteBlock(const uint8_t* block, int64_t blockWidth, int64_t blockHeight, ImageSlot& image,
                int64_t x, int64_t y);

// The range [first, last) of offsets i in [0, length) for which origin + i lies in [0, limit).
struct Span {
    int64_t first, last;
    bool empty() const { return first >= last; }
};
Span clipSpan(int64_t origin, int64_t length, int64_t limit);

}  // namespace wizard
