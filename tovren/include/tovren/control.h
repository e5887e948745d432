// Keyboard, mouse and one game controller, polled once a frame; the state is read straight
// from the fields.
#pragma once

#include <platform/dinput.h>

#include <cstdint>

class cTOVREN_Control {
public:
    IDirectInput8* directInput = nullptr;
    IDirectInputDevice8* keyboard = nullptr;  // null unless requested
    IDirectInputDevice8* mouse = nullptr;
    IDirectInputDevice8* joystick = nullptr;  // null unless requested and found
    uint8_t keys[256] = {};                   // by DirectInput key code (DIK_*); bit 7 set while down
    uint8_t keyFlags[256] = {};               // set to 1 by Init
    int32_t mouseDX = 0;                      // motion of the last GetMouse
    int32_t mouseDY = 0;
    int32_t mouseX = 0;  // sum of all motion, clamped by GetMouse(RECT)
    int32_t mouseY = 0;
    uint8_t mouseButtons[3] = {};  // left, right, middle; bit 7 set while down
    uint8_t reserved0 = 0;
    uint32_t reserved1 = 0;
    uint8_t mouseFlags[8] = {};  // set to 1 by Init
    int32_t joyX = 0;            // axes of the last GetJoystick, -1000 to +1000
    int32_t joyY = 0;
    int32_t joyZ = 0;
    int32_t joyRZ = 0;
    bool joyButtons[16] = {};

    cTOVREN_Control() = default;
    cTOVREN_Control(const cTOVREN_Control&) = default;
    cTOVREN_Control& operator=(const cTOVREN_Control&) = default;
    virtual ~cTOVREN_Control();  // releases nothing: call Uninit

    // Creates the requested devices for `window` (exclusive, foreground), releasing those of
    // an earlier Init first. The instance handle is not used. Returns 0 or 0x20000001 to
    // 0x2000000D; the devices made before a failing step stay until Uninit.
    uint32_t Init(HINSTANCE instance, HWND window, bool useKeyboard, bool useMouse, bool useJoystick);
    void Uninit();

    // Each reads its device once; a device lost to another window is acquired again when
    // the focus returns, and reads as released until then.
    bool GetKeys();
    bool GetMouse();
    bool GetMouse(RECT clip);  // then clamps mouseX into [left, right], mouseY into [top, bottom]
    // False without a controller, or when it had to be acquired again.
    bool GetJoystick();

    // The typed character of the lowest pressed key code (US layout), or 0.
    char GetChar();
};
