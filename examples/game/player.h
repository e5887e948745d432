// The player's glider: how the keyboard and the game controller become a pilot's wishes,
// and how those wishes move the glider. The flight model is plain arithmetic on a position,
// a heading and a pitch, so the tests can fly it without a window.
#pragma once

#include <tovren/camera.h>
#include <tovren/control.h>
#include <tovren/vector_math.h>

namespace glider {

// What the pilot wants this frame, each in -1..1: turn right is positive, climb is positive.
struct PilotInput {
    float turn = 0;
    float climb = 0;
    bool boost = false;
};

// Buttons as DirectInput numbers a game controller's: A, B, X, Y, left and right shoulder,
// back, start.
constexpr int kPadA = 0, kPadRightShoulder = 5, kPadBack = 6, kPadStart = 7;

// Arrow keys or W/A/S/D, space to boost; the controller's left stick (pushed forward to
// dive, as pilots expect) and its A button or right shoulder to boost. Whichever is pushed
// further wins, so a pad and the keyboard can be used together.
PilotInput readPilot(const cTOVREN_Control& control);

constexpr float kCruiseSpeed = 55.0f;   // units a second
constexpr float kBoostSpeed = 95.0f;
constexpr float kTurnRate = 90.0f;      // degrees a second at full turn
constexpr float kClimbRate = 30.0f;     // units a second at full climb
constexpr float kClearance = 3.0f;      // the lowest the glider may fly above the ground
constexpr float kCeiling = 150.0f;      // and the highest above sea level

class Glider {
public:
    TOVREN_fCoord3 position{0, 40, 0};
    float heading = 0;  // degrees about Y: 0 flies along +z, 90 along +x
    float pitch = 0;    // degrees, nose down positive (the engine's rotation about X)
    float speed = kCruiseSpeed;

    // One step of flight: turns, climbs and moves forward, easing the pitch and the speed.
    void fly(const PilotInput& input, float seconds);
    // Keeps the glider above the ground (and below the ceiling). True when it had to be
    // lifted off the ground: a bump.
    bool keepAbove(float groundHeight);
    // Turns the glider back towards the middle once it leaves the square |x|, |z| < half.
    void stayInside(float half, float seconds);

    // Rotation angles of the model in degrees (X, Y, Z), as cTOVREN_Model::Draw takes them.
    // The engine turns about the world's X, then Y, then Z axis, so a bank (about the
    // glider's own length) cannot be expressed once it has turned; the glider flies level.
    TOVREN_fCoord3 rotation() const { return {pitch, heading, 0}; }
    // A point of the glider given in its own frame (x right, y up, z forward), in the world.
    TOVREN_fCoord3 pointAt(float right, float up, float forward) const;
};

// The attract mode's pilot: heads for `target` and climbs or dives to its height.
PilotInput autopilot(const Glider& glider, TOVREN_fCoord3 target);

// Eases the camera towards its place behind and above the glider, looking where it flies.
void chase(cTOVREN_Camera& camera, const Glider& glider, float seconds);

}  // namespace glider
