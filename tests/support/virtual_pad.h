// The virtual game controller of the input tests, with names for the buttons they press.
#pragma once

#include <platform/virtual_controller.h>

namespace kvtest {

class VirtualPad : public platform::VirtualController {
public:
    enum Button { kA = 0, kB = 1, kX = 2, kY = 3, kBack = 4, kStart = 6, kLeftShoulder = 9, kPadUp = 11, kPadRight = 14 };

    // Game controllers SDL sees right now.
    static int attachedControllers() {
        SDL_GameControllerUpdate();
        int count = 0;
        for (int i = 0; i < SDL_NumJoysticks(); ++i) count += SDL_IsGameController(i) ? 1 : 0;
        return count;
    }
};

}  // namespace kvtest
