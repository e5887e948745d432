#include <platform/dinput.h>
#include <platform/window.h>

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = platform::createOffscreenWindow(64, 48);
        ASSERT_EQ(DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8A, reinterpret_cast<LPVOID*>(&input), nullptr),
                  DI_OK);
    }
    void TearDown() override {
        for (IDirectInputDevice8* device : devices) device->Release();
        input->Release();
        platform::destroyWindow(window);
    }

    IDirectInputDevice8* device(REFGUID guid, const DIDATAFORMAT& format, DWORD level) {
        IDirectInputDevice8* made = nullptr;
        EXPECT_EQ(input->CreateDevice(guid, &made, nullptr), DI_OK);
        if (!made) return nullptr;
        devices.push_back(made);
        EXPECT_EQ(made->SetDataFormat(&format), DI_OK);
        EXPECT_EQ(made->SetCooperativeLevel(window, level), DI_OK);
        return made;
    }

    static constexpr DWORD kExclusiveForeground = DISCL_EXCLUSIVE | DISCL_FOREGROUND;
    HWND window = nullptr;
    IDirectInput8* input = nullptr;
    std::vector<IDirectInputDevice8*> devices;
};

TEST(DirectInput8Create, TakesOnlyVersion8AndItsInterface) {
    LPVOID out = reinterpret_cast<LPVOID>(1);
    EXPECT_EQ(DirectInput8Create(nullptr, 0x0700, IID_IDirectInput8A, &out, nullptr), DIERR_OLDDIRECTINPUTVERSION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(DirectInput8Create(nullptr, 0x0900, IID_IDirectInput8A, &out, nullptr), DIERR_BETADIRECTINPUTVERSION);
    EXPECT_EQ(DirectInput8Create(nullptr, 0x0800, GUID_SysMouse, &out, nullptr), DIERR_NOINTERFACE);
    EXPECT_EQ(DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8A, nullptr, nullptr), DIERR_INVALIDPARAM);
}

TEST_F(InputTest, EnumeratesTheSystemDevicesAndRefusesUnknownOnes) {
    std::vector<DWORD> types;
    auto collect = [](LPCDIDEVICEINSTANCEA instance, LPVOID ref) -> BOOL {
        static_cast<std::vector<DWORD>*>(ref)->push_back(instance->dwDevType);
        return DIENUM_CONTINUE;
    };
    EXPECT_EQ(input->EnumDevices(DI8DEVCLASS_KEYBOARD, collect, &types, DIEDFL_ATTACHEDONLY), DI_OK);
    EXPECT_EQ(input->EnumDevices(DI8DEVCLASS_POINTER, collect, &types, DIEDFL_ATTACHEDONLY), DI_OK);
    EXPECT_EQ(types, (std::vector<DWORD>{DI8DEVTYPE_KEYBOARD, DI8DEVTYPE_MOUSE}));
    EXPECT_EQ(input->EnumDevices(DI8DEVCLASS_ALL, nullptr, nullptr, 0), DIERR_INVALIDPARAM);

    IDirectInputDevice8* made = reinterpret_cast<IDirectInputDevice8*>(1);
    EXPECT_EQ(input->CreateDevice(GUID_XAxis, &made, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(made, nullptr);
}

TEST_F(InputTest, KeyboardReadsTheWindowKeysOnlyOnceAcquiredWithItsOwnFormat) {
    IDirectInputDevice8* keyboard = nullptr;
    ASSERT_EQ(input->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    devices.push_back(keyboard);
    EXPECT_EQ(keyboard->Acquire(), DIERR_INVALIDPARAM);  // no format yet
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIMouse2), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, DISCL_EXCLUSIVE), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
              DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(nullptr, kExclusiveForeground), E_HANDLE);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, kExclusiveForeground), DI_OK);

    uint8_t keys[256];
    EXPECT_EQ(keyboard->GetDeviceState(sizeof(keys), keys), DIERR_NOTACQUIRED);
    EXPECT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(keyboard->Acquire(), DI_NOEFFECT);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DIERR_ACQUIRED);
    EXPECT_EQ(keyboard->GetDeviceState(255, keys), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->Poll(), DI_NOEFFECT);  // not a polled device

    window->setKey(DIK_A, true);
    window->setKey(DIK_RCONTROL, true);
    window->setKey(DIK_RMENU, true);
    ASSERT_EQ(keyboard->GetDeviceState(sizeof(keys), keys), DI_OK);
    EXPECT_EQ(keys[DIK_A], 0x80);
    EXPECT_EQ(keys[0x9D], 0x80);
    EXPECT_EQ(keys[0xB8], 0x80);
    EXPECT_EQ(keys[DIK_S], 0);
    EXPECT_EQ(keyboard->Unacquire(), DI_OK);
    EXPECT_EQ(keyboard->Unacquire(), DI_NOEFFECT);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof(keys), keys), DIERR_NOTACQUIRED);
}

// A foreground device loses its acquisition with the focus, even when the focus is back
// before the next read, and cannot be acquired again until the window has it.
TEST_F(InputTest, ForegroundDevicesAreLostWithTheFocus) {
    IDirectInputDevice8* keyboard = device(GUID_SysKeyboard, c_dfDIKeyboard, kExclusiveForeground);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    window->setKey(DIK_W, true);
    uint8_t keys[256];

    window->setInputFocus(false);
    window->setInputFocus(true);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof(keys), keys), DIERR_INPUTLOST);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof(keys), keys), DIERR_NOTACQUIRED);

    window->setInputFocus(false);
    EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
    window->setInputFocus(true);
    EXPECT_EQ(keyboard->Acquire(), DI_OK);
    ASSERT_EQ(keyboard->GetDeviceState(sizeof(keys), keys), DI_OK);
    EXPECT_EQ(keys[DIK_W], 0) << "a key held when the focus went is released";

    // A background device reads on regardless.
    IDirectInputDevice8* background = device(GUID_SysKeyboard, c_dfDIKeyboard, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
    ASSERT_EQ(background->Acquire(), DI_OK);
    window->setInputFocus(false);
    EXPECT_EQ(background->GetDeviceState(sizeof(keys), keys), DI_OK);
}

TEST_F(InputTest, DeviceOfADestroyedWindowIsLostAndNeverReadsIt) {
    IDirectInputDevice8* keyboard = device(GUID_SysKeyboard, c_dfDIKeyboard, kExclusiveForeground);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    platform::destroyWindow(window);
    window = nullptr;
    uint8_t keys[256];
    EXPECT_EQ(keyboard->GetDeviceState(sizeof(keys), keys), DIERR_INPUTLOST);
    EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
}

TEST_F(InputTest, MouseGivesMotionSinceTheLastReadAndHoldsTheCursorWhileExclusive) {
    IDirectInputDevice8* mouse = device(GUID_SysMouse, c_dfDIMouse2, kExclusiveForeground);
    window->moveMouse(5, 5, 40, 40);  // before the acquisition: not reported
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    EXPECT_TRUE(window->mouseCaptured());

    window->moveMouse(10, 10, 3, -2);
    window->moveMouse(12, 9, 4, -1);
    window->scrollMouse(-120);
    window->setMouseButton(1, true);
    DIMOUSESTATE2 state{};
    ASSERT_EQ(mouse->GetDeviceState(sizeof(state), &state), DI_OK);
    EXPECT_EQ(state.lX, 7);
    EXPECT_EQ(state.lY, -3);
    EXPECT_EQ(state.lZ, -120);
    EXPECT_EQ(state.rgbButtons[0], 0);
    EXPECT_EQ(state.rgbButtons[1], 0x80);
    ASSERT_EQ(mouse->GetDeviceState(sizeof(state), &state), DI_OK);
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.lZ, 0);

    window->setInputFocus(false);
    EXPECT_FALSE(window->mouseCaptured()) << "the focus takes the capture with it";
    EXPECT_EQ(mouse->GetDeviceState(sizeof(state), &state), DIERR_INPUTLOST);
    window->setInputFocus(true);
    EXPECT_FALSE(window->mouseCaptured()) << "until the mouse is acquired again";
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    EXPECT_TRUE(window->mouseCaptured());
    EXPECT_EQ(mouse->Unacquire(), DI_OK);
    EXPECT_FALSE(window->mouseCaptured());

    ASSERT_EQ(mouse->Acquire(), DI_OK);
    devices.clear();
    mouse->Release();  // releasing an acquired mouse gives the cursor back
    EXPECT_FALSE(window->mouseCaptured());
}

// SDL's dummy video driver runs the SDL window without a display; events reach the devices
// as a player's would.
class SdlInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        window = platform::createSdlWindow("input", 64, 48);
        if (!window) GTEST_SKIP() << "no SDL video driver";
        while (windowId < 1000 && !SDL_GetWindowFromID(windowId)) ++windowId;
        ASSERT_EQ(DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8A, reinterpret_cast<LPVOID*>(&input), nullptr),
                  DI_OK);
    }
    void TearDown() override {
        if (input) input->Release();
        platform::destroyWindow(window);
    }

    void push(uint32_t type, SDL_Scancode code) {
        SDL_Event event{};
        event.type = type;
        event.key.windowID = windowId;
        event.key.keysym.scancode = code;
        SDL_PushEvent(&event);
    }
    void pushFocus(bool gained) {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = windowId;
        event.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
        SDL_PushEvent(&event);
    }

    HWND window = nullptr;
    uint32_t windowId = 1;
    IDirectInput8* input = nullptr;
};

TEST_F(SdlInputTest, KeysOfUsAndInternationalBoardsArriveByTheirDirectInputCodes) {
    IDirectInputDevice8* keyboard = nullptr;
    ASSERT_EQ(input->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    ASSERT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    ASSERT_EQ(keyboard->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND), DI_OK);
    ASSERT_EQ(keyboard->Acquire(), DI_OK) << "a new window has the focus";

    // PC scan codes, plus 0x80 for the extended keys.
    const struct {
        SDL_Scancode sdl;
        uint8_t dik;
    } keys[] = {{SDL_SCANCODE_Q, 0x10},           {SDL_SCANCODE_GRAVE, 0x29},      {SDL_SCANCODE_NONUSBACKSLASH, 0x56},
                {SDL_SCANCODE_NONUSHASH, 0x2B},   {SDL_SCANCODE_INTERNATIONAL1, 0x73}, {SDL_SCANCODE_INTERNATIONAL3, 0x7D},
                {SDL_SCANCODE_KP_0, 0x52},        {SDL_SCANCODE_KP_PERIOD, 0x53},  {SDL_SCANCODE_KP_ENTER, 0x9C},
                {SDL_SCANCODE_KP_DIVIDE, 0xB5},   {SDL_SCANCODE_RCTRL, 0x9D},      {SDL_SCANCODE_RALT, 0xB8},
                {SDL_SCANCODE_RSHIFT, 0x36},      {SDL_SCANCODE_F12, 0x58},        {SDL_SCANCODE_DELETE, 0xD3},
                {SDL_SCANCODE_RGUI, 0xDC}};
    uint8_t state[256];
    for (const auto& key : keys) {
        push(SDL_KEYDOWN, key.sdl);
        ASSERT_TRUE(platform::pumpEvents(window));
        ASSERT_EQ(keyboard->GetDeviceState(sizeof(state), state), DI_OK);
        EXPECT_EQ(state[key.dik], 0x80) << SDL_GetScancodeName(key.sdl);
        push(SDL_KEYUP, key.sdl);
        platform::pumpEvents(window);
        ASSERT_EQ(keyboard->GetDeviceState(sizeof(state), state), DI_OK);
        EXPECT_EQ(state[key.dik], 0) << SDL_GetScancodeName(key.sdl);
    }

    push(SDL_KEYDOWN, SDL_SCANCODE_LEFT);
    pushFocus(false);
    platform::pumpEvents(window);
    EXPECT_EQ(window->input().keys[DIK_LEFT], 0);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof(state), state), DIERR_INPUTLOST);
    EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
    pushFocus(true);
    platform::pumpEvents(window);
    EXPECT_EQ(keyboard->Acquire(), DI_OK);
    keyboard->Release();
}

TEST_F(SdlInputTest, ExclusiveMouseIsRelativeModeWhileTheWindowHasTheFocus) {
    IDirectInputDevice8* mouse = nullptr;
    ASSERT_EQ(input->CreateDevice(GUID_SysMouse, &mouse, nullptr), DI_OK);
    ASSERT_EQ(mouse->SetDataFormat(&c_dfDIMouse2), DI_OK);
    ASSERT_EQ(mouse->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND), DI_OK);
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    EXPECT_TRUE(SDL_GetRelativeMouseMode());

    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.windowID = windowId;
    motion.motion.xrel = -6;
    motion.motion.yrel = 9;
    SDL_PushEvent(&motion);
    platform::pumpEvents(window);
    DIMOUSESTATE2 state{};
    ASSERT_EQ(mouse->GetDeviceState(sizeof(state), &state), DI_OK);
    EXPECT_EQ(state.lX, -6);
    EXPECT_EQ(state.lY, 9);

    pushFocus(false);
    platform::pumpEvents(window);
    EXPECT_FALSE(SDL_GetRelativeMouseMode());
    pushFocus(true);
    platform::pumpEvents(window);
    EXPECT_EQ(mouse->GetDeviceState(sizeof(state), &state), DIERR_INPUTLOST);
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    EXPECT_TRUE(SDL_GetRelativeMouseMode());
    mouse->Release();
    EXPECT_FALSE(SDL_GetRelativeMouseMode());
}

}  // namespace
