// Windows that receive presented frames and hold their input state. HWND is a pointer to
// one of these; the DirectInput-shaped devices read the input state from it.
#pragma once

#include <platform/wintypes.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace platform {

// Input state as the window's event source last left it. Keys are indexed by DirectInput
// key code (DIK_*) and hold 0x80 while down; mouse motion accumulates until taken.
struct InputState {
    uint8_t keys[256] = {};
    int32_t mouseX = 0;  // client-area position
    int32_t mouseY = 0;
    int32_t mouseDeltaX = 0;  // relative motion since the last takeMouseMotion
    int32_t mouseDeltaY = 0;
    int32_t mouseWheel = 0;  // wheel motion since the last takeMouseMotion, 120 per notch
    uint8_t mouseButtons[8] = {};  // 0x80 while down: left, right, middle, x1, x2
};

class Window {
public:
    // Windows register themselves so that a device without a display can offer a mode of
    // the newest window's size.
    Window();
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Client-area size in pixels.
    virtual int32_t clientWidth() const = 0;
    virtual int32_t clientHeight() const = 0;

    // Shows a frame of `width` x `height` 32-bit pixels (B, G, R, X bytes; rows `pitch`
    // bytes apart, top first), scaled to the client area.
    virtual void present(const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch) = 0;

    // Reads pending events into the input state. Returns false once the window was closed.
    virtual bool pumpEvents() { return !closeRequested_; }

    InputState& input() { return input_; }
    const InputState& input() const { return input_; }
    bool closeRequested() const { return closeRequested_; }
    void requestClose() { closeRequested_ = true; }

    // Event sources feed these.
    void setKey(uint8_t dikCode, bool down) { input_.keys[dikCode] = down ? 0x80 : 0; }
    void setMouseButton(uint32_t button, bool down) {
        if (button < 8) input_.mouseButtons[button] = down ? 0x80 : 0;
    }
    void moveMouse(int32_t x, int32_t y, int32_t dx, int32_t dy) {
        input_.mouseX = x;
        input_.mouseY = y;
        input_.mouseDeltaX = accumulate(input_.mouseDeltaX, dx);
        input_.mouseDeltaY = accumulate(input_.mouseDeltaY, dy);
    }
    void scrollMouse(int32_t amount) { input_.mouseWheel = accumulate(input_.mouseWheel, amount); }

    // Returns the accumulated relative motion and wheel and starts a new accumulation.
    void takeMouseMotion(int32_t& dx, int32_t& dy, int32_t& wheel) {
        dx = input_.mouseDeltaX;
        dy = input_.mouseDeltaY;
        wheel = input_.mouseWheel;
        input_.mouseDeltaX = input_.mouseDeltaY = input_.mouseWheel = 0;
    }

    // Keyboard focus. A new window has it, as a freshly shown window is the active one.
    // Losing it releases every key and button (their key-ups go to another window) and the
    // mouse capture, and counts one loss, so that a device can tell that the focus went
    // away even when it has come back since the device last looked.
    bool hasInputFocus() const { return focused_; }
    uint32_t inputFocusLosses() const { return focusLosses_; }
    void setInputFocus(bool focused);

    // The exclusive mouse: hidden, held in the window and reporting relative motion. It is
    // only granted while the window has the focus and is released when the focus goes.
    void captureMouse(bool on);
    bool mouseCaptured() const { return mouseCaptured_; }

protected:
    // Motion piles up until a reader takes it, which may be never: saturate, never wrap.
    static int32_t accumulate(int32_t total, int32_t step) {
        return static_cast<int32_t>(std::clamp<int64_t>(int64_t(total) + step, INT32_MIN, INT32_MAX));
    }

    // Applies a change of the mouse capture to the real window.
    virtual void applyMouseCapture(bool /*on*/) {}

    InputState input_;
    bool closeRequested_ = false;

private:
    bool focused_ = true;
    uint32_t focusLosses_ = 0;
    bool mouseCaptured_ = false;
};

// A window without a display: it keeps the last presented frame, scaled to its client
// size with nearest-neighbour sampling, as 0xAARRGGBB values (rows top first, no padding).
class OffscreenWindow : public Window {
public:
    OffscreenWindow(int32_t width, int32_t height);

    int32_t clientWidth() const override { return width_; }
    int32_t clientHeight() const override { return height_; }
    void present(const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch) override;

    // Changes the client size; the kept frame is cleared to black.
    void resize(int32_t width, int32_t height);

    const std::vector<uint32_t>& frame() const { return frame_; }
    uint32_t pixel(int32_t x, int32_t y) const;  // 0 outside the client area
    uint32_t presentCount() const { return presentCount_; }

private:
    int32_t width_;
    int32_t height_;
    std::vector<uint32_t> frame_;
    uint32_t presentCount_ = 0;
};

// The newest window still alive, or null.
Window* newestWindow();

// Whether `window` is a window that has not been destroyed.
bool isLiveWindow(const Window* window);

// Sizes are clamped to 1..16384. Never returns null.
HWND createOffscreenWindow(int32_t width, int32_t height);

// An SDL2 window for games; returns null when no video driver can be started.
HWND createSdlWindow(const char* title, int32_t width, int32_t height);

// Reads pending events of the window. Returns false once it was closed (or for null).
bool pumpEvents(HWND window);

// Destroys a window made by createOffscreenWindow or createSdlWindow; null is ignored.
void destroyWindow(HWND window);

}  // namespace platform
