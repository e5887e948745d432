// Game controllers: whatever SDL's game-controller API knows, as DirectInput devices of
// class DI8DEVCLASS_GAMECTRL with the DIJOYSTATE2 format.
#pragma once

#include <platform/dinput.h>

namespace platform::input {

// Holds SDL's game-controller subsystem up for as long as it lives.
class ControllerSystem {
public:
    ControllerSystem();
    ~ControllerSystem();
    ControllerSystem(const ControllerSystem&) = delete;
    ControllerSystem& operator=(const ControllerSystem&) = delete;
    bool up() const { return up_; }

private:
    bool up_;
};

// Looks for controllers plugged in since the last look, then calls back for each attached
// one until the callback stops.
void enumerateControllers(LPDIENUMDEVICESCALLBACKA callback, LPVOID ref);

// Whether `instance` names a controller (attached or not).
bool isControllerInstance(REFGUID instance);

// A device for the controller `instance` names; null when it is no longer attached.
IDirectInputDevice8A* createController(REFGUID instance);

}  // namespace platform::input
