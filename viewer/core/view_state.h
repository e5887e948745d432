// How the picture sits on the screen: zoom, pan and rotation, changed by keys.
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
    kVkMultiply = 0x6A,
    kVkAdd = 0x6B,
    kVkSubtract = 0x6D,
    kVkDivide = 0x6F,
};

// Arguments of the sprite draw that shows the picture.
struct SpritePlacement {
    int32_t x = 0;
    int32_t y = 0;
    float scale = 1.0f;
    float centreX = 0.0f;
    float centreY = 0.0f;
    float rotation = 0.0f;
    // The sprite clips its unscaled source rectangle against this; it holds the screen and
    // the whole unscaled picture, so that only the device clips what zoom and rotation put
    // outside the screen.
    int32_t clipLeft = 0;
    int32_t clipTop = 0;
    int32_t clipRight = 0;
    int32_t clipBottom = 0;
};

class ViewState {
public:
    float zoom = 1.0f;
    float rotation = 0.0f;  // radians
    int32_t panX = 0;
    int32_t panY = 0;

    // Arrows pan, keypad multiply and divide rotate; true when the key was one of them.
    bool keyDown(uint32_t virtualKey);
    // Enter resets, keypad plus and minus zoom; true when the key was one of them.
    bool keyUp(uint32_t virtualKey);

    // Keypad plus and minus, and the mouse wheel. The zoom stays within kMinZoom..kMaxZoom,
    // so that positions stay representable and a picture never shrinks to nothing.
    void zoomIn();
    void zoomOut();
    // Left-button drag: moves the picture by whole screen pixels.
    void panBy(int32_t dx, int32_t dy);

    static constexpr float kMinZoom = 1.0f / 1024.0f;
    static constexpr float kMaxZoom = 1024.0f;

    // Centred on the screen, then panned; halvings of sizes are integer divisions.
    SpritePlacement place(uint32_t screenWidth, uint32_t screenHeight, uint32_t pictureWidth,
                          uint32_t pictureHeight) const;

private:
    int32_t panStep(float direction) const;
};

}  // namespace kviewer
