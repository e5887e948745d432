// The wizard's image slots: 32-bit R, G, B, A pictures, rows top first, that outlive each
// script run. Slots 0-15 belong to scripts; 17-19 are scratch space of pwMixArea.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace wizard {

constexpr int kSlotCount = 20;
constexpr int kScriptSlots = 16;
constexpr int kTempSlotA = 17;
constexpr int kTempSlotB = 18;
constexpr int kMixedSlot = 19;

// Pictures above this many bytes are refused as an allocation failure rather than left to
// the operating system, which would promise the memory and kill us when it is touched.
constexpr uint64_t kMaxPictureBytes = uint64_t(1) << 30;

// Pixel buffers come from std::malloc, like the image library's, so a buffer the library
// hands out can move into a slot as it is.
struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};
using PixelBuffer = std::unique_ptr<uint8_t[], FreeDeleter>;

// True when both sizes are positive 32-bit values and the picture stays within the limit.
bool pictureSizeAllowed(int64_t width, int64_t height);
// Null when the size is not allowed or the memory is not available.
PixelBuffer allocatePixels(int64_t width, int64_t height);

struct ImageSlot {
    uint8_t* data = nullptr;
    int32_t width = 0;
    int32_t height = 0;

    uint64_t pixelCount() const { return uint64_t(width) * uint64_t(height); }
    uint64_t byteCount() const { return pixelCount() * 4; }
};

class SlotTable {
public:
    SlotTable() = default;
    ~SlotTable();
    SlotTable(const SlotTable&) = delete;
    SlotTable& operator=(const SlotTable&) = delete;

    ImageSlot& operator[](int index) { return slots_[index]; }
    const ImageSlot& operator[](int index) const { return slots_[index]; }

    // Gives the slot a new picture, releasing the old one. `data` may be null (an empty slot).
    void replace(int index, PixelBuffer data, int32_t width, int32_t height);
    void clear(int index) { replace(index, nullptr, 0, 0); }

private:
    ImageSlot slots_[kSlotCount];
};

}  // namespace wizard
