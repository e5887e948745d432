#include "scripted_pad.h"

#include <platform/virtual_controller.h>

#include <algorithm>
#include <cstdlib>

namespace glider {

ScriptedPad::ScriptedPad() = default;

ScriptedPad::~ScriptedPad() {
    if (script_) std::fclose(script_);
}

std::string ScriptedPad::plugIn() {
    const char* path = std::getenv("GLIDER_TEST_PAD");
    if (!path) return {};
    script_ = std::fopen(path, "r");
    if (!script_) return std::string("cannot read the pad script ") + path;
    pad_ = std::make_unique<platform::VirtualController>();
    if (!pad_->plugIn()) {
        pad_.reset();
        return std::string("cannot plug in a virtual controller: ") + SDL_GetError();
    }
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
    if (button != SDL_CONTROLLER_BUTTON_INVALID && button <= SDL_CONTROLLER_BUTTON_DPAD_RIGHT) {
        pad_->button(button, value != 0);
        return;
    }
    const SDL_GameControllerAxis axis = SDL_GameControllerGetAxisFromString(name);
    if (axis != SDL_CONTROLLER_AXIS_INVALID)
        pad_->axis(axis, static_cast<Sint16>(std::clamp(value, -32768, 32767)));
}

}  // namespace glider
