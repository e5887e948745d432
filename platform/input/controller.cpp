#include "controller.h"

#include "device.h"

#include <SDL.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

namespace platform::input {

namespace {

// Instance identifiers carry SDL's joystick instance id in Data1; the rest marks them.
constexpr GUID kInstanceMark = {0, 0x6B76, 0x4743, {0x8A, 0x53, 0x44, 0x4C, 0x43, 0x54, 0x52, 0x4C}};

GUID instanceGuid(SDL_JoystickID id) {
    GUID guid = kInstanceMark;
    guid.Data1 = static_cast<uint32_t>(id);
    return guid;
}

struct Axis {
    SDL_GameControllerAxis axis;
    const GUID* type;
    DWORD offset;
    const char* name;
};

// The layout of DirectInput gamepads: left stick x/y, right stick z and z-rotation, the
// triggers x- and y-rotation.
const Axis kAxes[] = {
    {SDL_CONTROLLER_AXIS_LEFTX, &GUID_XAxis, offsetof(DIJOYSTATE2, lX), "X Axis"},
    {SDL_CONTROLLER_AXIS_LEFTY, &GUID_YAxis, offsetof(DIJOYSTATE2, lY), "Y Axis"},
    {SDL_CONTROLLER_AXIS_RIGHTX, &GUID_ZAxis, offsetof(DIJOYSTATE2, lZ), "Z Axis"},
    {SDL_CONTROLLER_AXIS_TRIGGERLEFT, &GUID_RxAxis, offsetof(DIJOYSTATE2, lRx), "X Rotation"},
    {SDL_CONTROLLER_AXIS_TRIGGERRIGHT, &GUID_RyAxis, offsetof(DIJOYSTATE2, lRy), "Y Rotation"},
    {SDL_CONTROLLER_AXIS_RIGHTY, &GUID_RzAxis, offsetof(DIJOYSTATE2, lRz), "Z Rotation"},
};
constexpr uint32_t kAxisCount = std::size(kAxes);

// Buttons 0-15; the direction pad is the POV hat.
constexpr SDL_GameControllerButton kButtons[16] = {
    SDL_CONTROLLER_BUTTON_A,           SDL_CONTROLLER_BUTTON_B,          SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,           SDL_CONTROLLER_BUTTON_LEFTSHOULDER, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_BACK,        SDL_CONTROLLER_BUTTON_START,      SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK,  SDL_CONTROLLER_BUTTON_GUIDE,      SDL_CONTROLLER_BUTTON_MISC1,
    SDL_CONTROLLER_BUTTON_PADDLE1,     SDL_CONTROLLER_BUTTON_PADDLE2,    SDL_CONTROLLER_BUTTON_PADDLE3,
    SDL_CONTROLLER_BUTTON_PADDLE4,
};
const char* const kButtonNames[16] = {"Button 0",  "Button 1",  "Button 2",  "Button 3", "Button 4",  "Button 5",
                                      "Button 6",  "Button 7",  "Button 8",  "Button 9", "Button 10", "Button 11",
                                      "Button 12", "Button 13", "Button 14", "Button 15"};

constexpr DWORD kPovCentred = 0xFFFFFFFFu;

struct Range {
    LONG low = 0;  // DirectInput's default range of an absolute axis
    LONG high = 65535;
};

// SDL's sticks span -32768..32767 and its triggers 0..32767; both fill the whole range,
// rounded to nearest, so a centred stick reads the middle of a symmetric range.
LONG scaleAxis(int32_t value, bool trigger, Range range) {
    const int64_t rawLow = trigger ? 0 : -32768;
    const int64_t rawSpan = 32767 - rawLow;
    const int64_t raw = std::clamp<int64_t>(value, rawLow, 32767) - rawLow;
    const int64_t span = int64_t(range.high) - range.low;
    return static_cast<LONG>(range.low + (raw * span + rawSpan / 2) / rawSpan);
}

// Hundredths of a degree clockwise from north, from the pad's four directions.
DWORD povAngle(bool up, bool right, bool down, bool left) {
    const int dx = int(right) - int(left);
    const int dy = int(up) - int(down);
    if (dx == 0 && dy == 0) return kPovCentred;
    static constexpr DWORD kAngles[3][3] = {// [dy + 1][dx + 1]
                                            {22500, 18000, 13500},
                                            {27000, kPovCentred, 9000},
                                            {31500, 0, 4500}};
    return kAngles[dy + 1][dx + 1];
}

bool isTrigger(SDL_GameControllerAxis axis) {
    return axis == SDL_CONTROLLER_AXIS_TRIGGERLEFT || axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT;
}

class Controller final : public Device {
public:
    explicit Controller(SDL_GameController* controller) : Device(c_dfDIJoystick2), controller_(controller) {
        listObjects();
    }
    ~Controller() override { SDL_GameControllerClose(controller_); }

private:
    struct Object {
        DeviceObject object;
        int32_t axis;  // index into kAxes, or -1
    };

    void listObjects() {
        for (uint32_t i = 0; i < kAxisCount; ++i) {
            if (!SDL_GameControllerHasAxis(controller_, kAxes[i].axis)) continue;
            objects_.push_back({{kAxes[i].type, kAxes[i].offset, DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(i), kAxes[i].name},
                                static_cast<int32_t>(i)});
        }
        if (SDL_GameControllerHasButton(controller_, SDL_CONTROLLER_BUTTON_DPAD_UP))
            objects_.push_back({{&GUID_POV, offsetof(DIJOYSTATE2, rgdwPOV), DIDFT_POV | DIDFT_MAKEINSTANCE(0), "Hat Switch"}, -1});
        for (uint32_t i = 0; i < std::size(kButtons); ++i) {
            if (!SDL_GameControllerHasButton(controller_, kButtons[i])) continue;
            const DWORD offset = static_cast<DWORD>(offsetof(DIJOYSTATE2, rgbButtons) + i);
            objects_.push_back({{&GUID_Button, offset, DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(i), kButtonNames[i]}, -1});
        }
    }

    uint32_t objectCount() const override { return static_cast<uint32_t>(objects_.size()); }
    DeviceObject object(uint32_t index) const override { return objects_[index].object; }

    HRESULT setAxisRange(uint32_t index, LONG low, LONG high) override {
        ranges_[objects_[index].axis] = {low, high};
        return DI_OK;
    }

    bool attached() const override { return SDL_GameControllerGetAttached(controller_) == SDL_TRUE; }

    HRESULT refresh() override {
        SDL_GameControllerUpdate();
        snapshot();
        return DI_OK;
    }

    void onAcquire() override { refresh(); }

    void readState(void* data) override { std::memcpy(data, &state_, sizeof(state_)); }

    bool pressed(SDL_GameControllerButton button) const {
        return SDL_GameControllerGetButton(controller_, button) != 0;
    }

    void snapshot() {
        state_ = DIJOYSTATE2{};
        auto* bytes = reinterpret_cast<uint8_t*>(&state_);
        for (uint32_t i = 0; i < kAxisCount; ++i) {
            if (!SDL_GameControllerHasAxis(controller_, kAxes[i].axis)) continue;
            const LONG value = scaleAxis(SDL_GameControllerGetAxis(controller_, kAxes[i].axis), isTrigger(kAxes[i].axis),
                                         ranges_[i]);
            std::memcpy(bytes + kAxes[i].offset, &value, sizeof(value));
        }
        std::fill(std::begin(state_.rgdwPOV), std::end(state_.rgdwPOV), kPovCentred);
        state_.rgdwPOV[0] = povAngle(pressed(SDL_CONTROLLER_BUTTON_DPAD_UP), pressed(SDL_CONTROLLER_BUTTON_DPAD_RIGHT),
                                     pressed(SDL_CONTROLLER_BUTTON_DPAD_DOWN), pressed(SDL_CONTROLLER_BUTTON_DPAD_LEFT));
        for (uint32_t i = 0; i < std::size(kButtons); ++i) state_.rgbButtons[i] = pressed(kButtons[i]) ? 0x80 : 0;
    }

    ControllerSystem system_;
    SDL_GameController* controller_;
    std::vector<Object> objects_;
    Range ranges_[kAxisCount];
    DIJOYSTATE2 state_{};
};

void fillInstance(int index, DIDEVICEINSTANCEA& instance) {
    instance = {};
    instance.dwSize = sizeof(instance);
    instance.guidInstance = instanceGuid(SDL_JoystickGetDeviceInstanceID(index));
    const SDL_JoystickGUID product = SDL_JoystickGetDeviceGUID(index);
    static_assert(sizeof(product) == sizeof(GUID));
    std::memcpy(&instance.guidProduct, &product, sizeof(GUID));
    instance.dwDevType = DI8DEVTYPE_GAMEPAD;
    const char* name = SDL_GameControllerNameForIndex(index);
    std::strncpy(instance.tszProductName, name ? name : "Game controller", sizeof(instance.tszProductName) - 1);
    std::memcpy(instance.tszInstanceName, instance.tszProductName, sizeof(instance.tszInstanceName));
}

// The device index of the controller with that instance id, or -1.
int deviceIndexOf(SDL_JoystickID id) {
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_IsGameController(i) && SDL_JoystickGetDeviceInstanceID(i) == id) return i;
    return -1;
}

}  // namespace

// Stick and pad state is read per poll whichever window has the focus; the devices apply
// the foreground rule themselves.
ControllerSystem::ControllerSystem() {
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    up_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

ControllerSystem::~ControllerSystem() {
    if (up_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void enumerateControllers(LPDIENUMDEVICESCALLBACKA callback, LPVOID ref) {
    ControllerSystem system;
    if (!system.up()) return;
    SDL_GameControllerUpdate();  // notices hot-plugged pads
    DIDEVICEINSTANCEA instance;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (!SDL_IsGameController(i)) continue;
        fillInstance(i, instance);
        if (callback(&instance, ref) == DIENUM_STOP) return;
    }
}

bool isControllerInstance(REFGUID instance) {
    return instance.Data2 == kInstanceMark.Data2 && instance.Data3 == kInstanceMark.Data3 &&
           std::memcmp(instance.Data4, kInstanceMark.Data4, sizeof(instance.Data4)) == 0;
}

IDirectInputDevice8A* createController(REFGUID instance) {
    ControllerSystem system;
    if (!system.up() || !isControllerInstance(instance)) return nullptr;
    const int index = deviceIndexOf(static_cast<SDL_JoystickID>(instance.Data1));
    SDL_GameController* controller = index < 0 ? nullptr : SDL_GameControllerOpen(index);
    if (!controller) return nullptr;
    auto* device = new (std::nothrow) Controller(controller);
    if (!device) SDL_GameControllerClose(controller);
    return device;
}

}  // namespace platform::input
