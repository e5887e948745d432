// The glider's controls and flight, and where its sounds are heard.
#include "audio.h"
#include "player.h"
#include "scripted_pad.h"

#include "testsupport.h"
#include "virtual_pad.h"

#include <tovren/tovren.h>

#include <platform/window.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

namespace {

using namespace glider;

TEST(Pilot, KeysAndStickMapToTurnClimbAndBoost) {
    cTOVREN_Control control;
    EXPECT_EQ(readPilot(control).turn, 0.0f);
    control.keys[DIK_RIGHT] = 0x80;
    control.keys[DIK_UP] = 0x80;
    control.keys[DIK_SPACE] = 0x80;
    PilotInput input = readPilot(control);
    EXPECT_EQ(input.turn, 1.0f);
    EXPECT_EQ(input.climb, 1.0f);
    EXPECT_TRUE(input.boost);

    control = cTOVREN_Control{};
    control.keys[DIK_A] = 0x80;  // left, on the letter keys
    control.keys[DIK_D] = 0x80;  // and right at once: they cancel
    control.joyY = -1000;        // stick pushed forward: dive
    input = readPilot(control);
    EXPECT_EQ(input.turn, 0.0f);
    EXPECT_EQ(input.climb, -1.0f);

    control = cTOVREN_Control{};
    control.joyX = 100;  // inside the dead zone
    EXPECT_EQ(readPilot(control).turn, 0.0f);
    control.joyX = 575;  // half way between the dead zone and the end
    EXPECT_NEAR(readPilot(control).turn, 0.5f, 1e-6);
    control.keys[DIK_LEFT] = 0x80;  // the key is pushed further than the stick
    EXPECT_EQ(readPilot(control).turn, -1.0f);
    control.joyButtons[kPadRightShoulder] = true;
    EXPECT_TRUE(readPilot(control).boost);
}

// The whole way from a game controller (SDL's virtual one) through the engine's input class.
TEST(Pilot, AGameControllerFliesTheGlider) {
    if (kvtest::VirtualPad::attachedControllers() != 0) GTEST_SKIP() << "a real controller is attached";
    kvtest::VirtualPad pad;
    ASSERT_TRUE(pad.plugIn());
    HWND window = platform::createOffscreenWindow(64, 64);
    cTOVREN_Control control;
    ASSERT_EQ(control.Init(nullptr, window, true, true, true), 0u);
    control.GetJoystick();  // the first poll acquires the controller
    pad.axis(0, 32767);     // left stick right
    pad.axis(1, 32767);     // and pulled back
    pad.button(kvtest::VirtualPad::kA, true);
    ASSERT_TRUE(control.GetJoystick());
    const PilotInput input = readPilot(control);
    EXPECT_EQ(input.turn, 1.0f);
    EXPECT_EQ(input.climb, 1.0f);
    EXPECT_TRUE(input.boost);
    EXPECT_FALSE(control.joyButtons[kPadStart]);
    pad.button(kvtest::VirtualPad::kStart, true);
    ASSERT_TRUE(control.GetJoystick());
    EXPECT_TRUE(control.joyButtons[kPadStart]);
    control.Uninit();
    platform::destroyWindow(window);
}

// The pad a test script drives: only whole lines count, read as they are appended; lines
// it does not understand change nothing.
TEST(Pilot, AScriptedPadFollowsTheLinesAppendedSinceTheLastFrame) {
    if (kvtest::VirtualPad::attachedControllers() != 0) GTEST_SKIP() << "a real controller is attached";
    kvtest::TempDir dir;
    ASSERT_EQ(setenv("GLIDER_TEST_PAD", dir.file("missing").c_str(), 1), 0);
    EXPECT_EQ(ScriptedPad().plugIn(), "cannot read the pad script " + dir.file("missing"));

    const std::string script = dir.file("pad");
    std::ofstream lines(script);
    ASSERT_EQ(setenv("GLIDER_TEST_PAD", script.c_str(), 1), 0);
    ScriptedPad pad;
    ASSERT_EQ(pad.plugIn(), "");
    unsetenv("GLIDER_TEST_PAD");
    HWND window = platform::createOffscreenWindow(64, 64);
    cTOVREN_Control control;
    ASSERT_EQ(control.Init(nullptr, window, true, true, true), 0u);
    control.GetJoystick();  // the first poll acquires the controller

    lines << "leftx 32767\nwarp 1\nlefty\n\na 1\nstart" << std::flush;
    pad.update();
    ASSERT_TRUE(control.GetJoystick());
    PilotInput input = readPilot(control);
    EXPECT_EQ(input.turn, 1.0f);
    EXPECT_EQ(input.climb, 0.0f);
    EXPECT_TRUE(input.boost);
    EXPECT_FALSE(control.joyButtons[kPadStart]) << "half a line";

    lines << " 1\nleftx -99999\na 0\n" << std::flush;
    pad.update();
    ASSERT_TRUE(control.GetJoystick());
    input = readPilot(control);
    EXPECT_TRUE(control.joyButtons[kPadStart]);
    EXPECT_EQ(input.turn, -1.0f) << "out of range is full left";
    EXPECT_FALSE(input.boost);
    control.Uninit();
    platform::destroyWindow(window);
}

TEST(Glider, FliesAlongItsHeadingAndKeepsOffTheGround) {
    Glider glider;
    glider.heading = 90;  // along +x
    glider.fly(PilotInput{}, 1.0f);
    EXPECT_NEAR(glider.position.x, kCruiseSpeed, 1e-3);
    EXPECT_NEAR(glider.position.z, 0, 1e-3);
    EXPECT_EQ(glider.position.y, 40);

    glider.fly(PilotInput{-1, 1, true}, 0.5f);  // turn left, climb, boost
    EXPECT_NEAR(glider.heading, 90 - kTurnRate / 2, 1e-3);
    EXPECT_NEAR(glider.position.y, 40 + kClimbRate / 2, 1e-3);
    EXPECT_GT(glider.speed, kCruiseSpeed);
    EXPECT_LT(glider.pitch, 0) << "nose up while climbing";

    glider.position.y = 10;
    EXPECT_FALSE(glider.keepAbove(5));
    EXPECT_TRUE(glider.keepAbove(9));
    EXPECT_EQ(glider.position.y, 9 + kClearance);
    glider.position.y = 500;
    EXPECT_FALSE(glider.keepAbove(0));
    EXPECT_EQ(glider.position.y, kCeiling);
}

TEST(Glider, TurnsBackTowardsTheMiddleAtTheEdge) {
    Glider glider;
    glider.position = {300, 40, 0};
    glider.heading = 0;  // flying along the edge
    glider.stayInside(350, 1.0f);
    EXPECT_EQ(glider.heading, 0) << "inside: no turn";
    glider.stayInside(250, 0.5f);
    EXPECT_NEAR(std::remainder(glider.heading, 360.0f), -kTurnRate / 2, 1e-3) << "turns left, towards -x";
}

// pointAt must put the glider's parts where the engine draws them: the model turned by the
// engine's own rotation (GetVertexWorldPosition) and moved to the glider's position.
TEST(Glider, PointsOfTheGliderAreWhereTheEngineDrawsThem) {
    Glider glider;
    glider.position = {10, 20, 30};
    glider.heading = 130;
    glider.pitch = -20;
    cTOVREN_Model model;
    const TOVREN_fCoord3 local[] = {{0, 0, 6.5f}, {-6, 0, -3}, {0, 3.2f, -4}};
    for (const TOVREN_fCoord3& p : local) {
        const TOVREN_fCoord3 turned = model.RotateVertex(p, glider.rotation());
        const TOVREN_fCoord3 ours = glider.pointAt(p.x, p.y, p.z);
        EXPECT_NEAR(ours.x, turned.x + 10, 1e-4);
        EXPECT_NEAR(ours.y, turned.y + 20, 1e-4);
        EXPECT_NEAR(ours.z, turned.z + 30, 1e-4);
    }
}

TEST(Glider, TheAutopilotHeadsForItsTarget) {
    Glider glider;
    glider.position = {0, 40, 0};
    const PilotInput right = autopilot(glider, {100, 60, 10});
    EXPECT_EQ(right.turn, 1.0f);
    EXPECT_EQ(right.climb, 1.0f);
    const PilotInput ahead = autopilot(glider, {-2, 37, 100});
    EXPECT_LT(ahead.turn, 0);
    EXPECT_GT(ahead.turn, -0.1f);
    EXPECT_NEAR(ahead.climb, -0.2f, 1e-6);

    // The chase camera settles behind the glider, looking the way it flies.
    cTOVREN_Camera camera;
    glider.heading = 90;
    for (int i = 0; i < 600; ++i) chase(camera, glider, 1.0f / 60);
    EXPECT_NEAR(camera.position.x, -30, 0.01);
    EXPECT_NEAR(camera.position.y, 50, 0.01);
    EXPECT_NEAR(camera.viewAngles.y, 90, 0.01);
}

TEST(Sound, EffectsArePannedTowardsTheirSideAndFadeWithDistance) {
    const TOVREN_fCoord3 ear{0, 0, 0};
    const Placement ahead = placeSound(ear, 0, {0, 0, 10}, 100);
    EXPECT_EQ(ahead.pan, 0);
    EXPECT_EQ(ahead.volumePercent, 95u);  // sqrt(0.9)
    EXPECT_EQ(placeSound(ear, 0, {20, 0, 0}, 100).pan, 6000) << "+x is on the right facing +z";
    EXPECT_EQ(placeSound(ear, 90, {20, 0, 0}, 100).pan, 0) << "ahead once turned towards +x";
    EXPECT_EQ(placeSound(ear, 90, {0, 0, 20}, 100).pan, -6000) << "+z is then on the left";
    EXPECT_EQ(placeSound(ear, 0, {0, 0, 150}, 100).volumePercent, 0u);
    EXPECT_EQ(placeSound(ear, 0, ear, 100).volumePercent, 100u);
    EXPECT_EQ(placeSound(ear, 0, ear, 100).pan, 0);
}

}  // namespace
