// The suite's one limit on what a picture reader may decode: at most maxPixels pixels and
// maxBytes bytes of pixels, checked before anything is allocated for them. By default 2^28
// pixels (16384 x 16384) and 1 GiB; the environment variable KV_MAX_PIXELS sets the pixel
// count (and four bytes a pixel of memory), and each reading library offers a setter.
//
// Header only, so that each library keeps its own setting without linking anything.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>

namespace platform {

constexpr uint64_t kDefaultMaxPixels = uint64_t(1) << 28;
constexpr uint64_t kDefaultMaxPixelBytes = uint64_t(1) << 30;
constexpr uint64_t kWidestPixelBytes = 4;

struct DecodeBudget {
    uint64_t maxPixels;
    uint64_t maxBytes;

    // True when width x height pixels of bytesPerPixel bytes each stay within the budget
    // (64-bit arithmetic that cannot overflow for 32-bit sizes and pixels up to 255 bytes).
    bool allows(uint64_t width, uint64_t height, uint64_t bytesPerPixel) const {
        const uint64_t pixels = width * height;
        return width <= UINT32_MAX && height <= UINT32_MAX && pixels <= maxPixels &&
               pixels <= maxBytes / (bytesPerPixel ? bytesPerPixel : 1);
    }
};

// KV_MAX_PIXELS as a decimal pixel count; anything else (unset, empty, 0, not a number)
// gives the defaults.
inline DecodeBudget budgetFromEnvironment() {
    const char* text = std::getenv("KV_MAX_PIXELS");
    uint64_t pixels = 0;
    for (const char* c = text ? text : ""; *c; ++c) {
        if (*c < '0' || *c > '9' || pixels > UINT64_MAX / 10 / kWidestPixelBytes) {
            pixels = 0;
            break;
        }
        pixels = pixels * 10 + uint64_t(*c - '0');
    }
    if (pixels == 0) return {kDefaultMaxPixels, kDefaultMaxPixelBytes};
    return {pixels, pixels * kWidestPixelBytes};
}

// One library's setting: the environment's budget until a caller sets another. A value of 0
// given to set() stands for that part of the environment's budget.
class BudgetSetting {
public:
    DecodeBudget get() {
        ensureRead();
        return {pixels_.load(std::memory_order_relaxed), bytes_.load(std::memory_order_relaxed)};
    }
    void set(uint64_t maxPixels, uint64_t maxBytes) {
        const DecodeBudget fallback = budgetFromEnvironment();
        pixels_.store(maxPixels ? maxPixels : fallback.maxPixels, std::memory_order_relaxed);
        bytes_.store(maxBytes ? maxBytes : fallback.maxBytes, std::memory_order_relaxed);
        read_.store(true, std::memory_order_release);
    }

private:
    // The environment is read at the first use, not at load time, so a program (or a fuzz
    // harness) can still set KV_MAX_PIXELS in main.
    void ensureRead() {
        if (!read_.load(std::memory_order_acquire)) set(0, 0);
    }

    std::atomic<uint64_t> pixels_{0};
    std::atomic<uint64_t> bytes_{0};
    std::atomic<bool> read_{false};
};

}  // namespace platform
