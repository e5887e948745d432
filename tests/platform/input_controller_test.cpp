#include <platform/dinput.h>
#include <platform/window.h>

#include <virtual_pad.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<DIDEVICEINSTANCEA> controllers(IDirectInput8* input) {
    std::vector<DIDEVICEINSTANCEA> found;
    auto collect = [](LPCDIDEVICEINSTANCEA instance, LPVOID ref) -> BOOL {
        static_cast<std::vector<DIDEVICEINSTANCEA>*>(ref)->push_back(*instance);
        return DIENUM_CONTINUE;
    };
    EXPECT_EQ(input->EnumDevices(DI8DEVCLASS_GAMECTRL, collect, &found, DIEDFL_ATTACHEDONLY), DI_OK);
    return found;
}

std::vector<DIDEVICEOBJECTINSTANCEA> objects(IDirectInputDevice8* device, DWORD flags) {
    std::vector<DIDEVICEOBJECTINSTANCEA> found;
    auto collect = [](LPCDIDEVICEOBJECTINSTANCEA object, LPVOID ref) -> BOOL {
        static_cast<std::vector<DIDEVICEOBJECTINSTANCEA>*>(ref)->push_back(*object);
        return DIENUM_CONTINUE;
    };
    EXPECT_EQ(device->EnumObjects(collect, &found, flags), DI_OK);
    return found;
}

DIPROPRANGE range(DWORD how, DWORD object, LONG low, LONG high) {
    DIPROPRANGE property{};
    property.diph.dwSize = sizeof(DIPROPRANGE);
    property.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    property.diph.dwHow = how;
    property.diph.dwObj = object;
    property.lMin = low;
    property.lMax = high;
    return property;
}

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (kvtest::VirtualPad::attachedControllers() != 0) GTEST_SKIP() << "a real controller is attached";
        window = platform::createOffscreenWindow(32, 32);
        ASSERT_EQ(DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8A, reinterpret_cast<LPVOID*>(&input), nullptr),
                  DI_OK);
    }
    void TearDown() override {
        if (device) device->Release();
        if (input) input->Release();
        platform::destroyWindow(window);
    }

    // Plugs the pad in and opens it as an acquired, polled device.
    void openPad() {
        ASSERT_TRUE(pad.plugIn());
        const auto found = controllers(input);
        ASSERT_EQ(found.size(), 1u);
        ASSERT_EQ(input->CreateDevice(found[0].guidInstance, &device, nullptr), DI_OK);
        ASSERT_EQ(device->SetDataFormat(&c_dfDIJoystick2), DI_OK);
        ASSERT_EQ(device->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND), DI_OK);
    }

    DIJOYSTATE2 read() {
        DIJOYSTATE2 state{};
        EXPECT_EQ(device->Poll(), DI_OK);
        EXPECT_EQ(device->GetDeviceState(sizeof(state), &state), DI_OK);
        return state;
    }

    kvtest::VirtualPad pad;
    HWND window = nullptr;
    IDirectInput8* input = nullptr;
    IDirectInputDevice8* device = nullptr;
};

TEST_F(ControllerTest, APadPluggedInLaterIsFoundByTheNextEnumeration) {
    EXPECT_TRUE(controllers(input).empty());
    ASSERT_TRUE(pad.plugIn());
    const auto found = controllers(input);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].dwDevType & 0xFF, DI8DEVTYPE_GAMEPAD);
    EXPECT_FALSE(std::string(found[0].tszProductName).empty());

    pad.unplug();
    EXPECT_TRUE(controllers(input).empty());
    EXPECT_EQ(input->CreateDevice(found[0].guidInstance, &device, nullptr), DIERR_DEVICENOTREG);
}

TEST_F(ControllerTest, ObjectsAreTheSixAxesThePovAndTheMappedButtons) {
    openPad();
    const auto axes = objects(device, DIDFT_AXIS);
    ASSERT_EQ(axes.size(), 6u);
    EXPECT_TRUE(axes[0].guidType == GUID_XAxis);
    EXPECT_EQ(axes[0].dwOfs, 0u);
    EXPECT_TRUE(axes[5].guidType == GUID_RzAxis);
    EXPECT_EQ(axes[5].dwOfs, 20u);
    for (const auto& axis : axes) EXPECT_EQ(DIDFT_GETTYPE(axis.dwType), DIDFT_ABSAXIS);

    const auto povs = objects(device, DIDFT_POV);
    ASSERT_EQ(povs.size(), 1u);
    EXPECT_EQ(povs[0].dwOfs, 32u);
    // The pad maps eleven of the sixteen buttons (no misc or paddles).
    EXPECT_EQ(objects(device, DIDFT_BUTTON).size(), 11u);
    EXPECT_EQ(objects(device, DIDFT_ALL).size(), 18u);
}

TEST_F(ControllerTest, AxesFillTheRangeSetPerAxisAndButtonsAndPovFollowThePad) {
    openPad();
    EXPECT_EQ(device->Poll(), DIERR_NOTACQUIRED);
    for (const auto& axis : objects(device, DIDFT_AXIS)) {
        const DIPROPRANGE property = range(DIPH_BYID, axis.dwType, -1000, 1000);
        ASSERT_EQ(device->SetProperty(DIPROP_RANGE, &property.diph), DI_OK);
    }
    ASSERT_EQ(device->Acquire(), DI_OK);

    DIJOYSTATE2 state = read();
    EXPECT_EQ(state.lX, 0);  // centred
    EXPECT_EQ(state.lRz, 0);
    EXPECT_EQ(state.lRx, -1000);  // released trigger
    EXPECT_EQ(state.rgdwPOV[0], 0xFFFFFFFFu);
    EXPECT_EQ(state.rgbButtons[0], 0);

    pad.axis(0, -32768);
    pad.axis(1, 32767);
    pad.axis(2, 32767);
    pad.axis(3, -32768);
    pad.axis(4, 32767);
    pad.button(kvtest::VirtualPad::kA, true);
    pad.button(kvtest::VirtualPad::kLeftShoulder, true);
    pad.button(kvtest::VirtualPad::kPadUp, true);
    pad.button(kvtest::VirtualPad::kPadRight, true);
    state = read();
    EXPECT_EQ(state.lX, -1000);
    EXPECT_EQ(state.lY, 1000);
    EXPECT_EQ(state.lZ, 1000);
    EXPECT_EQ(state.lRz, -1000);
    EXPECT_EQ(state.lRx, 1000);
    EXPECT_EQ(state.rgbButtons[0], 0x80);
    EXPECT_EQ(state.rgbButtons[4], 0x80);
    EXPECT_EQ(state.rgbButtons[1], 0);
    EXPECT_EQ(state.rgdwPOV[0], 4500u);
    EXPECT_EQ(state.rgdwPOV[1], 0xFFFFFFFFu);

    // One axis alone by its offset; the others keep theirs.
    const DIPROPRANGE byOffset = range(DIPH_BYOFFSET, 0, 0, 100);
    ASSERT_EQ(device->SetProperty(DIPROP_RANGE, &byOffset.diph), DI_OK);
    pad.axis(0, 0);
    state = read();
    EXPECT_EQ(state.lX, 50);
    EXPECT_EQ(state.lY, 1000);
}

TEST_F(ControllerTest, UntouchedAxesUseTheDefaultRangeAndBadRangesAreRefused) {
    openPad();
    ASSERT_EQ(device->Acquire(), DI_OK);
    pad.axis(1, 32767);
    const DIJOYSTATE2 state = read();
    EXPECT_EQ(state.lX, 32768);
    EXPECT_EQ(state.lY, 65535);

    const auto axes = objects(device, DIDFT_AXIS);
    const auto buttons = objects(device, DIDFT_BUTTON);
    DIPROPRANGE property = range(DIPH_BYID, axes[0].dwType, 5, 5);
    EXPECT_EQ(device->SetProperty(DIPROP_RANGE, &property.diph), DIERR_INVALIDPARAM);
    property = range(DIPH_BYID, buttons[0].dwType, -1, 1);
    EXPECT_EQ(device->SetProperty(DIPROP_RANGE, &property.diph), DIERR_UNSUPPORTED);
    property = range(DIPH_BYID, DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(40), -1, 1);
    EXPECT_EQ(device->SetProperty(DIPROP_RANGE, &property.diph), DIERR_OBJECTNOTFOUND);
    property.diph.dwSize = sizeof(DIPROPHEADER);
    EXPECT_EQ(device->SetProperty(DIPROP_RANGE, &property.diph), DIERR_INVALIDPARAM);
}

TEST_F(ControllerTest, AnUnpluggedPadIsLostThenCannotBeAcquired) {
    openPad();
    ASSERT_EQ(device->Acquire(), DI_OK);
    read();
    pad.unplug();
    EXPECT_EQ(device->Poll(), DIERR_INPUTLOST);
    EXPECT_EQ(device->Acquire(), DIERR_UNPLUGGED);
}

}  // namespace
