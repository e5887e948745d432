#include <platform/window.h>

#include <algorithm>
#include <cstring>

namespace platform {

namespace {
int32_t clampSize(int32_t size) { return std::clamp(size, 1, 16384); }
}  // namespace

OffscreenWindow::OffscreenWindow(int32_t width, int32_t height)
    : width_(clampSize(width)), height_(clampSize(height)),
      frame_(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0u) {}

void OffscreenWindow::resize(int32_t width, int32_t height) {
    width_ = clampSize(width);
    height_ = clampSize(height);
    frame_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0u);
}

uint32_t OffscreenWindow::pixel(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return frame_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
}

// Nearest-neighbour scaling with the source index of each column computed once per frame.
void OffscreenWindow::present(const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch) {
    if (!pixels || width <= 0 || height <= 0 || pitch < width * 4) return;
    ++presentCount_;
    const size_t rowBytes = static_cast<size_t>(width_) * 4;
    if (width == width_ && height == height_) {
        for (int32_t y = 0; y < height_; ++y)
            std::memcpy(&frame_[static_cast<size_t>(y) * width_], pixels + static_cast<size_t>(y) * pitch, rowBytes);
        return;
    }
    std::vector<int32_t> columns(static_cast<size_t>(width_));
    for (int32_t x = 0; x < width_; ++x)
        columns[x] = static_cast<int32_t>((static_cast<int64_t>(x) * 2 + 1) * width / (2 * int64_t(width_)));
    for (int32_t y = 0; y < height_; ++y) {
        const int64_t sy = (static_cast<int64_t>(y) * 2 + 1) * height / (2 * int64_t(height_));
        const auto* row = reinterpret_cast<const uint32_t*>(pixels + sy * pitch);
        uint32_t* out = &frame_[static_cast<size_t>(y) * width_];
        for (int32_t x = 0; x < width_; ++x) out[x] = row[columns[x]];
    }
}

}  // namespace platform
