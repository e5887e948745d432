#include "device.h"

#include <cstring>
#include <new>

namespace platform::input {

namespace {

class Keyboard final : public Device {
public:
    Keyboard() : Device(c_dfDIKeyboard) {}

private:
    // Without a window every key reads as up.
    void readState(void* data) override {
        const Window* window = source();
        if (window)
            std::memcpy(data, window->input().keys, sizeof(window->input().keys));
        else
            std::memset(data, 0, c_dfDIKeyboard.dwDataSize);
    }
};

class Mouse final : public Device {
public:
    Mouse() : Device(c_dfDIMouse2) {}
    ~Mouse() override { Unacquire(); }  // gives the cursor back

private:
    // Motion is relative to the previous read.
    void readState(void* data) override {
        DIMOUSESTATE2 state{};
        if (Window* window = source()) {
            window->takeMouseMotion(state.lX, state.lY, state.lZ);
            std::memcpy(state.rgbButtons, window->input().mouseButtons, sizeof(state.rgbButtons));
        }
        std::memcpy(data, &state, sizeof(state));
    }

    // Motion made before the acquisition is not the player's move for this device; an
    // exclusive mouse takes the cursor.
    void onAcquire() override {
        Window* window = source();
        if (!window) return;
        int32_t dx = 0, dy = 0, wheel = 0;
        window->takeMouseMotion(dx, dy, wheel);
        if (exclusive()) window->captureMouse(true);
    }

    void onUnacquire() override {
        if (Window* window = source(); window && exclusive()) window->captureMouse(false);
    }
};

}  // namespace

IDirectInputDevice8A* createKeyboard() { return new (std::nothrow) Keyboard(); }
IDirectInputDevice8A* createMouse() { return new (std::nothrow) Mouse(); }

}  // namespace platform::input
