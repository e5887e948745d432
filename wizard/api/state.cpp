#include "state.h"

#include <platform/ui.h>

namespace wizard {

bool pictureSizeAllowed(int64_t width, int64_t height) {
    if (width < 1 || height < 1 || width > INT32_MAX || height > INT32_MAX) return false;
    return uint64_t(width) * uint64_t(height) * 4 <= kMaxPictureBytes;  // below 2^64: no wrap
}

PixelBuffer allocatePixels(int64_t width, int64_t height) {
    if (!pictureSizeAllowed(width, height)) return nullptr;
    return PixelBuffer(static_cast<uint8_t*>(std::malloc(uint64_t(width) * uint64_t(height) * 4)));
}

SlotTable::~SlotTable() {
    for (int i = 0; i < kSlotCount; ++i) clear(i);
}

void SlotTable::replace(int index, PixelBuffer data, int32_t width, int32_t height) {
    ImageSlot& slot = slots_[index];
    std::free(slot.data);
    slot.data = data.release();
    slot.width = slot.data ? width : 0;
    slot.height = slot.data ? height : 0;
}

void WizardState::showError(const char* text) const {
    MessageBoxA(owner, text, "Error!", MB_OK | MB_ICONERROR);
}

bool WizardState::checkSource(int64_t slot) const {
    if (slot < 0 || slot >= kScriptSlots) {
        showError("Wrong image number!");
        return false;
    }
    const ImageSlot& image = slots[int(slot)];
    if (!image.data) {
        showError("Image not exist!");
        return false;
    }
    if (image.width == 0 || image.height == 0) {
        showError("Wrong image resolution!");
        return false;
    }
    return true;
}

bool WizardState::checkDestination(int64_t slot) const {
    if (slot >= 0 && slot < kScriptSlots) return true;
    showError("Wrong image number!");
    return false;
}

PixelBuffer WizardState::allocateFor(int slot, int64_t width, int64_t height,
                                     const char* failureText) {
    PixelBuffer buffer = allocatePixels(width, height);
    if (!buffer) {
        slots.clear(slot);
        showError(failureText);
    }
    return buffer;
}

}  // namespace wizard
