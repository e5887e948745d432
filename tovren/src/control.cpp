#include <tovren/control.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>

namespace {

constexpr uint32_t kCreateInput = 0x20000001;
constexpr uint32_t kCreateKeyboard = 0x20000002;
constexpr uint32_t kCreateMouse = 0x20000003;
constexpr uint32_t kNoController = 0x20000004;
constexpr uint32_t kKeyboardFormat = 0x20000005;
constexpr uint32_t kMouseFormat = 0x20000006;
constexpr uint32_t kControllerFormat = 0x20000007;
constexpr uint32_t kKeyboardLevel = 0x20000008;
constexpr uint32_t kMouseLevel = 0x20000009;
constexpr uint32_t kControllerLevel = 0x2000000A;
constexpr uint32_t kKeyboardAcquire = 0x2000000B;
constexpr uint32_t kMouseAcquire = 0x2000000C;
constexpr uint32_t kNoControllerObjects = 0x2000000D;

constexpr LONG kAxisLow = -1000;
constexpr LONG kAxisHigh = 1000;
constexpr uint8_t kDown = 0x80;

// The first controller that can be created ends the enumeration.
BOOL takeController(LPCDIDEVICEINSTANCEA instance, LPVOID ref) {
    auto* control = static_cast<cTOVREN_Control*>(ref);
    return SUCCEEDED(control->directInput->CreateDevice(instance->guidInstance, &control->joystick, nullptr))
               ? DIENUM_STOP
               : DIENUM_CONTINUE;
}

BOOL setAxisRange(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID ref) {
    DIPROPRANGE range{};
    range.diph.dwSize = sizeof(DIPROPRANGE);
    range.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    range.diph.dwHow = DIPH_BYID;
    range.diph.dwObj = object->dwType;
    range.lMin = kAxisLow;
    range.lMax = kAxisHigh;
    auto* device = static_cast<IDirectInputDevice8*>(ref);
    return SUCCEEDED(device->SetProperty(DIPROP_RANGE, &range.diph)) ? DIENUM_CONTINUE : DIENUM_STOP;
}

// Our devices never answer DIERR_INPUTLOST to Acquire, so this loop ends.
void reacquire(IDirectInputDevice8* device) {
    while (device->Acquire() == DIERR_INPUTLOST) {
    }
}

void release(IDirectInputDevice8*& device) {
    if (!device) return;
    device->Unacquire();
    device->Release();
    device = nullptr;
}

int32_t addSaturated(int32_t a, int32_t b) {
    const int64_t sum = int64_t(a) + b;
    return static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// The US layout, run by run of consecutive key codes; every other code types nothing.
struct KeyRun {
    uint8_t first;
    const char* plain;
    const char* shifted;
};

constexpr KeyRun kKeyRuns[] = {
    {0x02, "1234567890-=\b\n", "!@#$%^&*()_+\b\n"},  // tab types a newline, as return does
    {0x10, "qwertyuiop[]\n", "QWERTYUIOP{}\n"},
    {0x1E, "asdfghjkl;'`", "ASDFGHJKL:\"~"},
    {0x2B, "\\zxcvbnm,./", "|ZXCVBNM<>?"},
    {0x37, "*", "*"},
    {0x39, " ", " "},
    {0x47, "789-456+1230.", "789-456+1230."},
};

char typed(uint32_t code, bool shift) {
    for (const KeyRun& run : kKeyRuns) {
        const size_t length = std::strlen(run.plain);
        if (code >= run.first && code < run.first + length) return (shift ? run.shifted : run.plain)[code - run.first];
    }
    return 0;
}

}  // namespace

cTOVREN_Control::~cTOVREN_Control() = default;

uint32_t cTOVREN_Control::Init(HINSTANCE /*instance*/, HWND window, bool useKeyboard, bool useMouse,
                               bool useJoystick) {
    Uninit();
    std::fill(std::begin(keys), std::end(keys), uint8_t{0});
    std::fill(std::begin(keyFlags), std::end(keyFlags), uint8_t{1});
    std::fill(std::begin(mouseFlags), std::end(mouseFlags), uint8_t{1});
    mouseButtons[0] = 0;

    if (FAILED(DirectInput8Create(nullptr, DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                  reinterpret_cast<LPVOID*>(&directInput), nullptr)))
        return kCreateInput;
    if (useKeyboard && FAILED(directInput->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr))) return kCreateKeyboard;
    if (useMouse && FAILED(directInput->CreateDevice(GUID_SysMouse, &mouse, nullptr))) return kCreateMouse;
    if (!useKeyboard && !useMouse && !useJoystick) return 0;
    if (useJoystick) {
        if (FAILED(directInput->EnumDevices(DI8DEVCLASS_GAMECTRL, takeController, this, DIEDFL_ATTACHEDONLY)) ||
            !joystick)
            return kNoController;
    }

    if (keyboard && FAILED(keyboard->SetDataFormat(&c_dfDIKeyboard))) return kKeyboardFormat;
    if (mouse && FAILED(mouse->SetDataFormat(&c_dfDIMouse2))) return kMouseFormat;
    if (joystick && FAILED(joystick->SetDataFormat(&c_dfDIJoystick2))) return kControllerFormat;

    const DWORD level = DISCL_EXCLUSIVE | DISCL_FOREGROUND;
    if (keyboard && FAILED(keyboard->SetCooperativeLevel(window, level))) return kKeyboardLevel;
    if (mouse && FAILED(mouse->SetCooperativeLevel(window, level))) return kMouseLevel;
    if (joystick && FAILED(joystick->SetCooperativeLevel(window, level))) return kControllerLevel;

    if (keyboard && FAILED(keyboard->Acquire())) return kKeyboardAcquire;
    if (mouse && FAILED(mouse->Acquire())) return kMouseAcquire;

    if (joystick && FAILED(joystick->EnumObjects(setAxisRange, joystick, DIDFT_AXIS))) return kNoControllerObjects;
    return 0;
}

void cTOVREN_Control::Uninit() {
    if (!directInput) return;
    release(keyboard);
    release(mouse);
    release(joystick);
    directInput->Release();
    directInput = nullptr;
}

// A lost keyboard reads as released: a key held when the focus went must not stay down.
bool cTOVREN_Control::GetKeys() {
    if (!keyboard) return true;
    if (FAILED(keyboard->GetDeviceState(sizeof(keys), keys))) {
        reacquire(keyboard);
        std::fill(std::begin(keys), std::end(keys), uint8_t{0});
    }
    return true;
}

bool cTOVREN_Control::GetMouse() {
    if (!mouse) return true;
    DIMOUSESTATE2 state{};
    if (FAILED(mouse->GetDeviceState(sizeof(state), &state))) {
        reacquire(mouse);
        state = DIMOUSESTATE2{};
    }
    mouseDX = state.lX;
    mouseDY = state.lY;
    mouseX = addSaturated(mouseX, mouseDX);
    mouseY = addSaturated(mouseY, mouseDY);
    std::copy_n(state.rgbButtons, 3, mouseButtons);
    return true;
}

bool cTOVREN_Control::GetMouse(RECT clip) {
    GetMouse();
    if (mouseX < clip.left) mouseX = clip.left;
    if (mouseX > clip.right) mouseX = clip.right;
    if (mouseY < clip.top) mouseY = clip.top;
    if (mouseY > clip.bottom) mouseY = clip.bottom;
    return true;
}

// The controller is acquired on its first poll, so the first call after Init gives false.
bool cTOVREN_Control::GetJoystick() {
    if (!joystick) return false;
    if (FAILED(joystick->Poll())) {
        reacquire(joystick);
        return false;
    }
    DIJOYSTATE2 state;
    if (FAILED(joystick->GetDeviceState(sizeof(state), &state))) return false;
    joyX = state.lX;
    joyY = state.lY;
    joyZ = state.lZ;
    joyRZ = state.lRz;
    for (size_t i = 0; i < std::size(joyButtons); ++i) joyButtons[i] = (state.rgbButtons[i] & kDown) != 0;
    return true;
}

// Shift is consumed: its entries are cleared until the next GetKeys.
char cTOVREN_Control::GetChar() {
    const bool shift = (keys[DIK_LSHIFT] & kDown) || (keys[DIK_RSHIFT] & kDown);
    if (shift) keys[DIK_LSHIFT] = keys[DIK_RSHIFT] = 0;
    for (uint32_t code = 1; code < 256; ++code) {
        if (!(keys[code] & kDown)) continue;
        return code == DIK_ESCAPE ? 0 : typed(code, shift);
    }
    return 0;
}
