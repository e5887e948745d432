#include "view_state.h"

#include <algorithm>
#include <cstdint>

namespace kviewer {

namespace {

constexpr float kRotationStep = 0.17453294f;  // 10 degrees

// Positions stay within +-2^24 pixels, far off any screen yet far from where the sprite's
// own sums of position and size could overflow.
constexpr int64_t kPositionLimit = int64_t(1) << 24;

int32_t bounded(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, -kPositionLimit, kPositionLimit));
}

// The fraction dropped, as a cast does.
int32_t truncated(double value) {
    const double limit = static_cast<double>(kPositionLimit);
    return bounded(static_cast<int64_t>(std::clamp(value, -limit, limit)));
}

void addTo(int32_t& target, int64_t amount) { target = bounded(target + amount); }

}  // namespace

int32_t ViewState::panStep(float direction) const {
    return truncated(direction * 50.0f * zoom);
}

void ViewState::zoomIn() { zoom = std::min(zoom * 1.25f, kMaxZoom); }

void ViewState::zoomOut() { zoom = std::max(zoom * 0.8f, kMinZoom); }

bool ViewState::keyDown(uint32_t virtualKey) {
    switch (virtualKey) {
    case kVkLeft: addTo(panX, panStep(-1.0f)); return true;
    case kVkRight: addTo(panX, panStep(1.0f)); return true;
    case kVkUp: addTo(panY, panStep(-1.0f)); return true;
    case kVkDown: addTo(panY, panStep(1.0f)); return true;
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
    addTo(panX, dx);
    addTo(panY, dy);
}

SpritePlacement ViewState::place(uint32_t screenWidth, uint32_t screenHeight,
                                 uint32_t pictureWidth, uint32_t pictureHeight) const {
    const auto centred = [this](uint32_t screen, uint32_t picture) {
        return truncated(static_cast<double>(screen / 2) - picture * static_cast<double>(zoom) * 0.5);
    };
    SpritePlacement p;
    p.x = bounded(int64_t(centred(screenWidth, pictureWidth)) + panX);
    p.y = bounded(int64_t(centred(screenHeight, pictureHeight)) + panY);
    p.scale = zoom;
    p.centreX = static_cast<float>(pictureWidth / 2);
    p.centreY = static_cast<float>(pictureHeight / 2);
    p.rotation = rotation;
    p.clipLeft = std::min(0, p.x);
    p.clipTop = std::min(0, p.y);
    p.clipRight = bounded(std::max<int64_t>(screenWidth, int64_t(p.x) + pictureWidth));
    p.clipBottom = bounded(std::max<int64_t>(screenHeight, int64_t(p.y) + pictureHeight));
    return p;
}

}  // namespace kviewer
