// How the picture sits in the window: zoom, pan and rotation, changed by keys and the mouse.
#pragma once

#include <cstdint>

namespace kviewer {

// Virtual-key codes of the keys the viewer reacts to.
enum VirtualKey : uint32_t {
    kVkReturn = 0x0D,
    kVkLeft = 0x25,
    kVkUp = 0x26,
    kVkRight = 0x27,
    kVkDown = 0x28,
    kVkF = 0x46,
    kVkMultiply = 0x6A,
    kVkAdd = 0x6B,
    kVkSubtract = 0x6D,
    kVkDivide = 0x6F,
    kVkOemPlus = 0xBB,   // the main row's + and = key
    kVkOemMinus = 0xBD,  // the main row's - key
};

// Arguments of the sprite draw that shows the picture.
struct SpritePlacement {
    int32_t x = 0;
    int32_t y = 0;
    float scale = 1.0f;
    float centreX = 0.0f;
    float centreY = 0.0f;
    float rotation = 0.0f;
    // The sprite clips its unscaled source rectangle against this; it holds the window and
    // the whole unscaled picture, so that only the device clips what zoom and rotation put
    // outside the window.
    int32_t clipLeft = 0;
    int32_t clipTop = 0;
    int32_t clipRight = 0;
    int32_t clipBottom = 0;
};

// Sizes of the window (the back buffer) and of the picture, in pixels.
struct ViewSizes {
    uint32_t viewWidth = 0;
    uint32_t viewHeight = 0;
    uint32_t pictureWidth = 0;
    uint32_t pictureHeight = 0;
};

class ViewState {
public:
    float zoom = 1.0f;
    float rotation = 0.0f;  // radians
    int32_t panX = 0;
    int32_t panY = 0;

    // Arrows pan, keypad multiply and divide rotate; true when the key was one of them.
    bool keyDown(uint32_t virtualKey);
    // Enter resets, keypad plus and minus (and the main row's + = -) zoom; true when the key
    // was one of them.
    bool keyUp(uint32_t virtualKey);

    // The zoom stays within kMinZoom..kMaxZoom, so that positions stay representable and a
    // picture never shrinks to nothing.
    void zoomIn();
    void zoomOut();
    // Left-button drag: moves the picture by whole window pixels.
    void panBy(int32_t dx, int32_t dy);
    // Mouse wheel: `notches` zoom steps (positive in) about the window point (x, y), which
    // keeps showing the same point of the picture.
    void zoomAt(int notches, double x, double y, const ViewSizes& sizes);
    // The largest zoom that shows the whole (rotated) picture, centred.
    void fit(const ViewSizes& sizes);
    // Pans back just far enough that at least kMinVisible pixels of the picture's (rotated)
    // extent stay in the window on each axis (all of it when it is smaller).
    void keepInView(const ViewSizes& sizes);

    static constexpr float kMinZoom = 1.0f / 1024.0f;
    static constexpr float kMaxZoom = 1024.0f;
    static constexpr double kMinVisible = 16.0;

    // Centred in the window, then panned; halvings of sizes are integer divisions. The sprite
    // rotates about a point of the scaled picture, so the centre it gets is the scaled one.
    SpritePlacement place(const ViewSizes& sizes) const;

private:
    int32_t panStep(float direction) const;
};

}  // namespace kviewer
