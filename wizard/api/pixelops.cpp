#include "pixelops.h"

#include <algorithm>
#include <cstring>

namespace wizard {
namespace {

bool inside(int64_t value, int64_t limitA, int64_t limitB) {
    return value >= 0 && value < limitA && value < limitB;
}

}  // namespace

int checkRectangle(const WizardState& state, const Rect& rect, const ImageSlot& a,
                   const ImageSlot& b) {
    if (!inside(rect.left, a.width, b.width)) {
        state.showError("Left coordinate is not valid!");
        return 5;
    }
    if (!inside(rect.top, a.height, b.height)) {
        state.showError("Top coordinate is not valid!");
        return 6;
    }
    if (!inside(rect.right, a.width, b.width) || rect.right < rect.left) {
        state.showError("Right coordinate is not valid!");
        return 7;
    }
    if (!inside(rect.bottom, a.height, b.height) || rect.bottom < rect.top) {
        state.showError("Bottom coordinate is not valid!");
        return 8;
    }
    return 0;
}

bool checkSameSize(const WizardState& state, const ImageSlot& a, const ImageSlot& b) {
    if (a.width == b.width && a.height == b.height) return true;
    state.showError("Source images resolutions must be identity!");
    return false;
}

void fillPixels(uint8_t* out, uint64_t count, uint32_t colour) {
    const uint8_t pixel[4] = {uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour),
                              uint8_t(colour >> 24)};
    for (uint64_t i = 0; i < count; ++i) std::memcpy(out + i * 4, pixel, 4);
}

void copyRectangle(const ImageSlot& image, const Rect& rect, uint8_t* out) {
    const uint64_t rowBytes = uint64_t(rect.width()) * 4;
    for (int64_t y = rect.top; y <= rect.bottom; ++y) {
        const uint8_t* row = image.data + (uint64_t(y) * uint64_t(image.width) + uint64_t(rect.left)) * 4;
        std::memcpy(out, row, rowBytes);
        out += rowBytes;
    }
}

Span clipSpan(int64_t origin, int64_t length, int64_t limit) {
    // Script offsets can be anything; past 2^40 they are off the picture either way.
    constexpr int64_t kFar = int64_t(1) << 40;
    origin = std::clamp(origin, -kFar, kFar);
    const int64_t first = std::max<int64_t>(0, -origin);
    const int64_t last = std::min<int64_t>(length, limit - origin);
    return {first, std::max(first, last)};
}

void pasteBlock(const uint8_t* block, int64_t blockWidth, int64_t blockHeight, ImageSlot& image,
                int64_t x, int64_t y) {
    const Span cols = clipSpan(x, blockWidth, image.width);
    const Span rows = clipSpan(y, blockHeight, image.height);
    if (cols.empty() || rows.empty()) return;
    const uint64_t rowBytes = uint64_t(cols.last - cols.first) * 4;
    for (int64_t j = rows.first; j < rows.last; ++j) {
        const uint8_t* from = block + (uint64_t(j) * uint64_t(blockWidth) + uint64_t(cols.first)) * 4;
        uint8_t* to = image.data +
                      (uint64_t(y + j) * uint64_t(image.width) + uint64_t(x + cols.first)) * 4;
        std::memcpy(to, from, rowBytes);
    }
}

}  // namespace wizard
