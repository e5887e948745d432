#include "player.h"

#include <algorithm>
#include <cmath>

namespace glider {

namespace {

constexpr float kDegrees = 3.14159265f / 180.0f;

bool down(const cTOVREN_Control& control, uint8_t key) { return (control.keys[key] & 0x80) != 0; }

// -1, 0 or +1 from a pair of keys (either of two keys for each direction).
float keyAxis(const cTOVREN_Control& c, uint8_t minusA, uint8_t minusB, uint8_t plusA, uint8_t plusB) {
    return (down(c, plusA) || down(c, plusB) ? 1.0f : 0.0f) - (down(c, minusA) || down(c, minusB) ? 1.0f : 0.0f);
}

// A stick axis (-1000..1000) with a dead zone, so that a pad at rest does not drift.
float stickAxis(int32_t value) {
    constexpr float kDeadZone = 150;
    const float v = static_cast<float>(value);
    if (std::fabs(v) < kDeadZone) return 0;
    return std::clamp((v - std::copysign(kDeadZone, v)) / (1000 - kDeadZone), -1.0f, 1.0f);
}

float stronger(float a, float b) { return std::fabs(a) >= std::fabs(b) ? a : b; }

// Moves `value` towards `target` by at most `step`.
float approach(float value, float target, float step) {
    return value < target ? std::min(value + step, target) : std::max(value - step, target);
}

}  // namespace

PilotInput readPilot(const cTOVREN_Control& control) {
    PilotInput input;
    input.turn = stronger(keyAxis(control, DIK_LEFT, DIK_A, DIK_RIGHT, DIK_D), stickAxis(control.joyX));
    // Up arrow climbs; the stick's y grows downwards, and pushing it forward dives.
    input.climb = stronger(keyAxis(control, DIK_DOWN, DIK_S, DIK_UP, DIK_W), stickAxis(control.joyY));
    input.boost = down(control, DIK_SPACE) || control.joyButtons[kPadA] || control.joyButtons[kPadRightShoulder];
    return input;
}

void Glider::fly(const PilotInput& input, float seconds) {
    heading = std::fmod(heading + input.turn * kTurnRate * seconds + 360.0f, 360.0f);
    // The nose follows the climb, easing in and out.
    pitch = approach(pitch, -25.0f * input.climb, 90.0f * seconds);
    speed = approach(speed, input.boost ? kBoostSpeed : kCruiseSpeed, 60.0f * seconds);

    const float h = heading * kDegrees;
    position.x += std::sin(h) * speed * seconds;
    position.z += std::cos(h) * speed * seconds;
    position.y += input.climb * kClimbRate * seconds;
}

bool Glider::keepAbove(float groundHeight) {
    position.y = std::min(position.y, kCeiling);
    if (position.y >= groundHeight + kClearance) return false;
    position.y = groundHeight + kClearance;
    return true;
}

void Glider::stayInside(float half, float seconds) {
    if (std::fabs(position.x) < half && std::fabs(position.z) < half) return;
    // The heading that points at the middle, and the shorter way round to it.
    const float home = std::atan2(-position.x, -position.z) / kDegrees;
    const float difference = std::remainder(home - heading, 360.0f);
    heading += std::clamp(difference, -kTurnRate * seconds, kTurnRate * seconds);
}

PilotInput autopilot(const Glider& glider, TOVREN_fCoord3 target) {
    const float wanted = std::atan2(target.x - glider.position.x, target.z - glider.position.z) / kDegrees;
    PilotInput input;
    input.turn = std::clamp(std::remainder(wanted - glider.heading, 360.0f) / 25.0f, -1.0f, 1.0f);
    input.climb = std::clamp((target.y - glider.position.y) / 15.0f, -1.0f, 1.0f);
    return input;
}

void chase(cTOVREN_Camera& camera, const Glider& glider, float seconds) {
    // Behind and above the glider, looking a little down; the camera eases after it rather
    // than being nailed to it, which makes turns feel smooth.
    const TOVREN_fCoord3 wanted = glider.pointAt(0, 0, 0);
    const float h = glider.heading * kDegrees;
    const TOVREN_fCoord3 eye{wanted.x - 30 * std::sin(h), wanted.y + 10, wanted.z - 30 * std::cos(h)};
    const float follow = 1.0f - std::exp(-4.0f * seconds);
    camera.position.x += (eye.x - camera.position.x) * follow;
    camera.position.y += (eye.y - camera.position.y) * follow;
    camera.position.z += (eye.z - camera.position.z) * follow;
    camera.viewAngles.x = 14.0f + glider.pitch * 0.4f;
    camera.viewAngles.y += std::remainder(glider.heading - camera.viewAngles.y, 360.0f) * follow;
}

TOVREN_fCoord3 Glider::pointAt(float right, float up, float forward) const {
    // As the engine turns the model: about X (pitch) first, then about Y (heading).
    const float p = pitch * kDegrees, h = heading * kDegrees;
    const float y1 = up * std::cos(p) - forward * std::sin(p);
    const float z1 = up * std::sin(p) + forward * std::cos(p);
    return {position.x + right * std::cos(h) + z1 * std::sin(h), position.y + y1,
            position.z - right * std::sin(h) + z1 * std::cos(h)};
}

}  // namespace glider
