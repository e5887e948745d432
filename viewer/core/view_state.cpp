#include "view_state.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kviewer {

namespace {

constexpr float kRotationStep = 0.17453294f;  // 10 degrees

// Positions stay within +-2^24 pixels, far off any window yet far from where the sprite's
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

// Where the unpanned picture's left (or top) edge lands: centred, with the design's integer
// halving of the window size and the fraction of the rest dropped.
int32_t centredEdge(uint32_t view, uint32_t picture, double zoom) {
    return truncated(static_cast<double>(view / 2) - picture * zoom * 0.5);
}

// The window position of the picture's centre along one axis.
double centreOf(uint32_t view, uint32_t picture, double zoom, int32_t pan) {
    return centredEdge(view, picture, zoom) + static_cast<double>(pan) + picture * zoom * 0.5;
}

// The pan that puts the picture's centre at `centre`.
int32_t panFor(double centre, uint32_t view, uint32_t picture, double zoom) {
    return truncated(std::floor(centre - centreOf(view, picture, zoom, 0) + 0.5));
}

// Width and height of the rotated picture's bounding box at zoom 1.
void rotatedExtent(float rotation, const ViewSizes& sizes, double& width, double& height) {
    const double c = std::fabs(std::cos(static_cast<double>(rotation)));
    const double s = std::fabs(std::sin(static_cast<double>(rotation)));
    width = sizes.pictureWidth * c + sizes.pictureHeight * s;
    height = sizes.pictureWidth * s + sizes.pictureHeight * c;
}

void keepAxisInView(int32_t& pan, uint32_t view, uint32_t picture, double zoom, double extent) {
    const double visible = std::min({ViewState::kMinVisible, extent, static_cast<double>(view)});
    const double unpanned = centreOf(view, picture, zoom, 0);
    const double lowest = std::ceil(visible - extent / 2 - unpanned);
    const double highest = std::max(lowest, std::floor(view - visible + extent / 2 - unpanned));
    pan = truncated(std::clamp(static_cast<double>(pan), lowest, highest));
}

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
    case kVkAdd:
    case kVkOemPlus: zoomIn(); return true;
    case kVkSubtract:
    case kVkOemMinus: zoomOut(); return true;
    default: return false;
    }
}

void ViewState::panBy(int32_t dx, int32_t dy) {
    addTo(panX, dx);
    addTo(panY, dy);
}

void ViewState::zoomAt(int notches, double x, double y, const ViewSizes& sizes) {
    const double before = zoom;
    const double centreX = centreOf(sizes.viewWidth, sizes.pictureWidth, before, panX);
    const double centreY = centreOf(sizes.viewHeight, sizes.pictureHeight, before, panY);
    for (; notches > 0; --notches) zoomIn();
    for (; notches < 0; ++notches) zoomOut();
    // The picture scales about (x, y): its centre moves along the line from that point.
    const double factor = zoom / before;
    panX = panFor(x + (centreX - x) * factor, sizes.viewWidth, sizes.pictureWidth, zoom);
    panY = panFor(y + (centreY - y) * factor, sizes.viewHeight, sizes.pictureHeight, zoom);
}

void ViewState::fit(const ViewSizes& sizes) {
    double width, height;
    rotatedExtent(rotation, sizes, width, height);
    if (width <= 0 || height <= 0 || sizes.viewWidth == 0 || sizes.viewHeight == 0) return;
    const double fitted = std::min(sizes.viewWidth / width, sizes.viewHeight / height);
    float z = static_cast<float>(fitted);
    if (static_cast<double>(z) > fitted) z = std::nextafter(z, 0.0f);  // never a pixel too large
    zoom = std::clamp(z, kMinZoom, kMaxZoom);
    panX = panY = 0;
}

void ViewState::keepInView(const ViewSizes& sizes) {
    double width, height;
    rotatedExtent(rotation, sizes, width, height);
    keepAxisInView(panX, sizes.viewWidth, sizes.pictureWidth, zoom, width * zoom);
    keepAxisInView(panY, sizes.viewHeight, sizes.pictureHeight, zoom, height * zoom);
}

SpritePlacement ViewState::place(const ViewSizes& sizes) const {
    SpritePlacement p;
    p.x = bounded(int64_t(centredEdge(sizes.viewWidth, sizes.pictureWidth, zoom)) + panX);
    p.y = bounded(int64_t(centredEdge(sizes.viewHeight, sizes.pictureHeight, zoom)) + panY);
    p.scale = zoom;
    p.centreX = static_cast<float>(sizes.pictureWidth * static_cast<double>(zoom) * 0.5);
    p.centreY = static_cast<float>(sizes.pictureHeight * static_cast<double>(zoom) * 0.5);
    p.rotation = rotation;
    p.clipLeft = std::min(0, p.x);
    p.clipTop = std::min(0, p.y);
    p.clipRight = bounded(std::max<int64_t>(sizes.viewWidth, int64_t(p.x) + sizes.pictureWidth));
    p.clipBottom = bounded(std::max<int64_t>(sizes.viewHeight, int64_t(p.y) + sizes.pictureHeight));
    return p;
}

}  // namespace kviewer
