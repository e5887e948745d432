// A game controller made with SDL's virtual joystick driver, for the input tests. Its
// built-in mapping: axes 0-5 are left x, left y, right x, right y, left and right trigger;
// buttons 0-14 are A, B, X, Y, back, guide, start, left stick, right stick, left and right
// shoulder, pad up, down, left, right.
#pragma once

#include <SDL.h>

namespace kvtest {

class VirtualPad {
public:
    enum Button { kA = 0, kB = 1, kX = 2, kY = 3, kBack = 4, kStart = 6, kLeftShoulder = 9, kPadUp = 11, kPadRight = 14 };

    // Keeps the subsystem up for the pad's lifetime: quitting it would detach the pad.
    VirtualPad() : up_(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0) {}
    ~VirtualPad() {
        unplug();
        if (up_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
    VirtualPad(const VirtualPad&) = delete;
    VirtualPad& operator=(const VirtualPad&) = delete;

    // Game controllers SDL sees right now.
    static int attachedControllers() {
        SDL_GameControllerUpdate();
        int count = 0;
        for (int i = 0; i < SDL_NumJoysticks(); ++i) count += SDL_IsGameController(i) ? 1 : 0;
        return count;
    }

    bool plugIn() {
        if (!up_) return false;
        const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 0);
        if (index < 0) return false;
        joystick_ = SDL_JoystickOpen(index);
        return joystick_ != nullptr;
    }

    void unplug() {
        if (!joystick_) return;
        const SDL_JoystickID id = SDL_JoystickInstanceID(joystick_);
        SDL_JoystickClose(joystick_);
        joystick_ = nullptr;
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
    }

    void axis(int axis, Sint16 value) { SDL_JoystickSetVirtualAxis(joystick_, axis, value); }
    void button(int button, bool down) { SDL_JoystickSetVirtualButton(joystick_, button, down ? 1 : 0); }

private:
    bool up_;
    SDL_Joystick* joystick_ = nullptr;
};

}  // namespace kvtest
