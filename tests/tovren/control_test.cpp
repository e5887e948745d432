#include <tovren/control.h>

#include <platform/window.h>

#include <virtual_pad.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override { window = platform::createOffscreenWindow(640, 480); }
    void TearDown() override {
        control.Uninit();
        platform::destroyWindow(window);
    }

    // GetChar with exactly these keys down.
    char typed(std::initializer_list<uint8_t> codes) {
        std::fill(std::begin(control.keys), std::end(control.keys), uint8_t{0});
        for (uint8_t code : codes) control.keys[code] = 0x80;
        return control.GetChar();
    }

    HWND window = nullptr;
    cTOVREN_Control control;
};

TEST_F(ControlTest, InitWithoutDevicesMakesOnlyTheInputObject) {
    EXPECT_EQ(control.directInput, nullptr);
    EXPECT_EQ(control.Init(nullptr, window, false, false, false), 0u);
    EXPECT_NE(control.directInput, nullptr);
    EXPECT_EQ(control.keyboard, nullptr);
    EXPECT_EQ(control.mouse, nullptr);
    EXPECT_EQ(control.joystick, nullptr);
    EXPECT_EQ(control.keyFlags[255], 1);
    EXPECT_EQ(control.mouseFlags[7], 1);
    EXPECT_TRUE(control.GetKeys());  // without devices: nothing to read, no crash
    EXPECT_TRUE(control.GetMouse());
    EXPECT_FALSE(control.GetJoystick());
    control.Uninit();
    EXPECT_EQ(control.directInput, nullptr);
}

TEST_F(ControlTest, InitReportsWhichStepFailedAndKeepsWhatItMade) {
    if (kvtest::VirtualPad::attachedControllers() == 0) {
        EXPECT_EQ(control.Init(nullptr, window, true, true, true), 0x20000004u);
        EXPECT_NE(control.keyboard, nullptr);
        EXPECT_NE(control.mouse, nullptr);
        control.Uninit();
        EXPECT_EQ(control.keyboard, nullptr);
    }
    EXPECT_EQ(control.Init(nullptr, nullptr, true, true, false), 0x20000008u);  // no window
    EXPECT_EQ(control.Init(nullptr, nullptr, false, true, false), 0x20000009u);
    window->setInputFocus(false);
    EXPECT_EQ(control.Init(nullptr, window, true, true, false), 0x2000000Bu);
    EXPECT_EQ(control.Init(nullptr, window, false, true, false), 0x2000000Cu);
}

// A second Init releases the first one's devices: its exclusive mouse lets the cursor go.
TEST_F(ControlTest, InitAgainReleasesTheEarlierDevices) {
    ASSERT_EQ(control.Init(nullptr, window, true, true, false), 0u);
    EXPECT_TRUE(window->mouseCaptured());
    ASSERT_EQ(control.Init(nullptr, window, true, false, false), 0u);
    EXPECT_FALSE(window->mouseCaptured());
    EXPECT_EQ(control.mouse, nullptr);
}

// After the focus went and came back the keyboard works again; meanwhile keys read as up.
TEST_F(ControlTest, KeysFollowTheWindowAndSurviveALostFocus) {
    ASSERT_EQ(control.Init(nullptr, window, true, false, false), 0u);
    window->setKey(DIK_SPACE, true);
    window->setKey(DIK_RCONTROL, true);
    control.GetKeys();
    EXPECT_EQ(control.keys[DIK_SPACE], 0x80);
    EXPECT_EQ(control.keys[0x9D], 0x80);

    window->setInputFocus(false);
    control.GetKeys();
    EXPECT_EQ(control.keys[DIK_SPACE], 0);
    window->setInputFocus(true);
    window->setKey(DIK_D, true);
    control.GetKeys();
    control.GetKeys();
    EXPECT_EQ(control.keys[DIK_D], 0x80);
}

TEST_F(ControlTest, GetCharTakesTheLowestPressedKeyOfTheUsLayout) {
    EXPECT_EQ(typed({DIK_A, DIK_S}), 'a');
    EXPECT_EQ(typed({DIK_LSHIFT, DIK_A}), 'A');
    EXPECT_EQ(control.keys[DIK_LSHIFT], 0) << "shift is consumed";
    EXPECT_EQ(typed({DIK_RSHIFT, DIK_SLASH}), '?');
    EXPECT_EQ(control.keys[DIK_RSHIFT], 0);
    EXPECT_EQ(typed({DIK_ESCAPE}), 0);
    EXPECT_EQ(typed({DIK_ESCAPE, DIK_A}), 0);
    EXPECT_EQ(typed({0x9D}), 0);
    EXPECT_EQ(typed({DIK_LCONTROL, DIK_A}), 0) << "control has the smaller code";
    EXPECT_EQ(typed({DIK_1, DIK_Q}), '1');
    EXPECT_EQ(typed({DIK_LSHIFT}), 0);
    EXPECT_EQ(typed({}), 0);
}

// Every code alone, plain and with either shift, against the layout written out by code.
TEST_F(ControlTest, GetCharTableCoversEveryKeyCode) {
    // Codes 0x00-0x53; '_' marks "types nothing" (the underscore itself is typed only shifted).
    const std::string plain =
        "__1234567890-=\b\nqwertyuiop[]\n_asdfghjkl;'`_\\zxcvbnm,./_*_ _____________789-456+1230.";
    const std::string shifted =
        "__!@#$%^&*()_+\b\nQWERTYUIOP{}\n_ASDFGHJKL:\"~_|ZXCVBNM<>?_*_ _____________789-456+1230.";
    ASSERT_EQ(plain.size(), 0x54u);
    ASSERT_EQ(shifted.size(), 0x54u);
    for (uint32_t code = 1; code < 256; ++code) {
        if (code == DIK_LSHIFT || code == DIK_RSHIFT) continue;
        const char wantPlain = code < 0x54 && plain[code] != '_' ? plain[code] : 0;
        const bool shiftedUnderscore = code == DIK_MINUS;
        const char wantShifted = code < 0x54 && (shifted[code] != '_' || shiftedUnderscore) ? shifted[code] : 0;
        const auto key = static_cast<uint8_t>(code);
        EXPECT_EQ(typed({key}), wantPlain) << "code " << code;
        EXPECT_EQ(typed({DIK_LSHIFT, key}), wantShifted) << "code " << code;
        EXPECT_EQ(typed({DIK_RSHIFT, key}), wantShifted) << "code " << code;
    }
}

TEST_F(ControlTest, MouseSumsMotionAndTheRectangleClampsIt) {
    ASSERT_EQ(control.Init(nullptr, window, false, true, false), 0u);
    window->moveMouse(0, 0, 700, -30);
    window->setMouseButton(0, true);
    window->setMouseButton(2, true);
    EXPECT_TRUE(control.GetMouse(RECT{0, 0, 639, 479}));
    EXPECT_EQ(control.mouseDX, 700);
    EXPECT_EQ(control.mouseDY, -30);
    EXPECT_EQ(control.mouseX, 639);
    EXPECT_EQ(control.mouseY, 0);
    EXPECT_EQ(control.mouseButtons[0], 0x80);
    EXPECT_EQ(control.mouseButtons[1], 0);
    EXPECT_EQ(control.mouseButtons[2], 0x80);

    window->moveMouse(0, 0, -10, 5);
    control.GetMouse(RECT{0, 0, 639, 479});
    EXPECT_EQ(control.mouseX, 629);
    EXPECT_EQ(control.mouseY, 5);

    // Without a rectangle the sum is unbounded, but saturates instead of wrapping.
    window->moveMouse(0, 0, INT_MAX, 0);
    control.GetMouse();
    window->moveMouse(0, 0, INT_MAX, 0);
    control.GetMouse();
    EXPECT_EQ(control.mouseX, INT_MAX);
}

TEST_F(ControlTest, MouseLostWithTheFocusReadsStillAndComesBack) {
    ASSERT_EQ(control.Init(nullptr, window, false, true, false), 0u);
    window->setInputFocus(false);
    window->moveMouse(0, 0, 5, 5);
    control.GetMouse();
    EXPECT_EQ(control.mouseDX, 0);
    window->setInputFocus(true);
    control.GetMouse();  // acquires again
    EXPECT_TRUE(window->mouseCaptured());
    window->moveMouse(0, 0, 3, 0);
    control.GetMouse();
    EXPECT_EQ(control.mouseDX, 3);
}

TEST_F(ControlTest, ControllerAxesSpanMinusToPlusThousandAndButtonsFollowThePad) {
    if (kvtest::VirtualPad::attachedControllers() != 0) GTEST_SKIP() << "a real controller is attached";
    kvtest::VirtualPad pad;
    ASSERT_TRUE(pad.plugIn());
    ASSERT_EQ(control.Init(nullptr, window, false, false, true), 0u);
    ASSERT_NE(control.joystick, nullptr);
    EXPECT_FALSE(control.GetJoystick()) << "the first poll acquires the controller";
    ASSERT_TRUE(control.GetJoystick());
    EXPECT_EQ(control.joyX, 0);
    EXPECT_EQ(control.joyY, 0);
    EXPECT_EQ(control.joyZ, 0);
    EXPECT_EQ(control.joyRZ, 0);

    pad.axis(0, -32768);  // left stick x
    pad.axis(1, 32767);   // left stick y
    pad.axis(2, 32767);   // right stick x: z
    pad.axis(3, -32768);  // right stick y: z-rotation
    pad.button(kvtest::VirtualPad::kB, true);
    pad.button(kvtest::VirtualPad::kStart, true);
    ASSERT_TRUE(control.GetJoystick());
    EXPECT_EQ(control.joyX, -1000);
    EXPECT_EQ(control.joyY, 1000);
    EXPECT_EQ(control.joyZ, 1000);
    EXPECT_EQ(control.joyRZ, -1000);
    EXPECT_FALSE(control.joyButtons[0]);
    EXPECT_TRUE(control.joyButtons[1]);
    EXPECT_TRUE(control.joyButtons[7]);
    EXPECT_FALSE(control.joyButtons[15]);

    pad.unplug();
    EXPECT_FALSE(control.GetJoystick());
    EXPECT_FALSE(control.GetJoystick());
}

}  // namespace
