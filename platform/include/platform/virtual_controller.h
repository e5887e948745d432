// A game controller made with SDL's virtual joystick driver, for scripted play and the input
// tests. It has the standard shape, which SDL maps the standard way: axes 0-5 are left x,
// left y, right x, right y, left and right trigger, and button numbers are the
// SDL_GameControllerButton values (A, B, X, Y, back, guide, start, the sticks, the
// shoulders, then the pad up, down, left and right).
#pragma once

#include <SDL.h>

namespace platform {

class VirtualController {
public:
    // Keeps the subsystem up for the controller's lifetime: quitting it would unplug it.
    VirtualController() : up_(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0) {}
    ~VirtualController() {
        unplug();
        if (up_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
    VirtualController(const VirtualController&) = delete;
    VirtualController& operator=(const VirtualController&) = delete;

    bool plugIn() {
        if (!up_ || joystick_) return joystick_ != nullptr;
        const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                                    SDL_CONTROLLER_BUTTON_DPAD_RIGHT + 1, 0);
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

}  // namespace platform
