// A game controller that a test drives, for runs of the whole program without a real pad.
// With GLIDER_TEST_PAD=FILE in the environment the game plugs in SDL's virtual controller
// before it looks for controllers, and every frame sets its buttons and sticks from the lines
// appended to FILE since the last frame, one "NAME VALUE" a line in SDL's controller names:
//   start 1      a button down (0 up): a, b, x, y, back, start, leftshoulder, dpup, ...
//   leftx -32768 an axis, -32768..32767: leftx, lefty, rightx, righty, lefttrigger, ...
// The game itself reads the pad through cTOVREN_Control like any other; nothing else in the
// game knows about this one.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace platform {
class VirtualController;
}

namespace glider {

class ScriptedPad {
public:
    ScriptedPad();
    ~ScriptedPad();
    ScriptedPad(const ScriptedPad&) = delete;
    ScriptedPad& operator=(const ScriptedPad&) = delete;

    // Plugs the controller in when GLIDER_TEST_PAD is set. An empty string when all is well
    // (or there is nothing to do), otherwise what failed.
    std::string plugIn();
    // Applies the lines written since the last call.
    void update();

private:
    void apply(const std::string& line);

    FILE* script_ = nullptr;
    std::unique_ptr<platform::VirtualController> pad_;
    std::string pending_;  // the start of a line whose end is not written yet
};

}  // namespace glider
