#include "scripted_pad.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>

namespace glider {

namespace {

// SDL gives a virtual controller of this shape the standard mapping: axis and button
// numbers are the SDL_GameControllerAxis and SDL_GameControllerButton values.
constexpr int kAxes = SDL_CONTROLLER_AXIS_MAX;
constexpr int kButtons = SDL_CONTROLLER_BUTTON_DPAD_RIGHT + 1;

}  // namespace

ScriptedPad::~ScriptedPad() {
    if (pad_) {
        const SDL_JoystickID id = SDL_JoystickInstanceID(pad_);
        SDL_JoystickClose(pad_);
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
    }
    if (subsystemUp_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    if (script_) std::fclose(script_);
}

std::string ScriptedPad::plugIn() {
    const char* path = std::getenv("GLIDER_TEST_PAD");
    if (!path) return {};
    script_ = std::fopen(path, "r");
    if (!script_) return std::string("cannot read the pad script ") + path;
    // The subsystem stays up while the pad lives: quitting it would unplug the pad.
    subsystemUp_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    const int index = subsystemUp_ ? SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, kAxes, kButtons, 0)
                                   : -1;
    if (index >= 0) pad_ = SDL_JoystickOpen(index);
    if (!pad_) return std::string("cannot plug in a virtual controller: ") + SDL_GetError();
    return {};
}

void ScriptedPad::update() {
    if (!pad_) return;
    char buffer[256];
    std::clearerr(script_);  // more may have been written since the end was last reached
    while (std::fgets(buffer, sizeof buffer, script_)) {
        pending_ += buffer;
        if (pending_.back() != '\n') continue;
        apply(pending_);
        pending_.clear();
    }
}

void ScriptedPad::apply(const std::string& line) {
    char name[64] = {};
    int value = 0;
    if (std::sscanf(line.c_str(), "%63s %d", name, &value) != 2) return;
    const SDL_GameControllerButton button = SDL_GameControllerGetButtonFromString(name);
    if (button != SDL_CONTROLLER_BUTTON_INVALID && button < kButtons) {
        SDL_JoystickSetVirtualButton(pad_, button, value != 0 ? 1 : 0);
        return;
    }
    const SDL_GameControllerAxis axis = SDL_GameControllerGetAxisFromString(name);
    if (axis != SDL_CONTROLLER_AXIS_INVALID)
        SDL_JoystickSetVirtualAxis(pad_, axis, static_cast<Sint16>(std::clamp(value, -32768, 32767)));
}

}  // namespace glider
