#include "view_state.h"

namespace kviewer {

namespace {

constexpr float kRotationStep = 0.17453294f;  // 10 degrees

}  // namespace

int32_t ViewState::panStep(float direction) const {
    return static_cast<int32_t>(direction * 50.0f * zoom);
}

bool ViewState::keyDown(uint32_t virtualKey) {
    switch (virtualKey) {
    case kVkLeft: panX += panStep(-1.0f); return true;
    case kVkRight: panX += panStep(1.0f); return true;
    case kVkUp: panY += panStep(-1.0f); return true;
    case kVkDown: panY += panStep(1.0f); return true;
    case kVkMultiply: rotation -= kRotationStep; return true;
    case kVkDivide: rotation += kRotationStep; return true;
    default: return false;
    }
}

bool ViewState::keyUp(uint32_t virtualKey) {
    switch (virtualKey) {
    case kVkReturn: *this = ViewState{}; return true;
    case kVkAdd: zoomIn(); return true;
    case kVkSubtract: zoomOut(); return true;
    default: return false;
    }
}

void ViewState::panBy(int32_t dx, int32_t dy) {
    panX += dx;
    panY += dy;
}

SpritePlacement ViewState::place(uint32_t screenWidth, uint32_t screenHeight,
                                 uint32_t pictureWidth, uint32_t pictureHeight) const {
    const auto centred = [this](uint32_t screen, uint32_t picture) {
        const double offset = static_cast<double>(screen / 2) - picture * static_cast<double>(zoom) * 0.5;
        return static_cast<int32_t>(offset);
    };
    SpritePlacement p;
    p.x = centred(screenWidth, pictureWidth) + panX;
    p.y = centred(screenHeight, pictureHeight) + panY;
    p.scale = zoom;
    p.centreX = static_cast<float>(pictureWidth / 2);
    p.centreY = static_cast<float>(pictureHeight / 2);
    p.rotation = rotation;
    return p;
}

}  // namespace kviewer
