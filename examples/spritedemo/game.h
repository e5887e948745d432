// The demo's game, without drawing or input devices: balls that bounce off the walls and
// off a paddle the arrow keys move, and the count of hits and misses.
#pragma once

#include <array>
#include <cstdint>

namespace spritedemo {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kBallSize = 64;
constexpr int kPaddleWidth = 128;
constexpr int kPaddleHeight = 16;
constexpr float kPaddleSpeed = 480.0f;  // pixels a second
// The paddle stays in the lower part of the window, above the floor.
constexpr float kPaddleTop = kHeight * 2 / 3;
constexpr float kPaddleBottom = kHeight - 48;

struct Ball {
    float x, y, vx, vy, angle, spin;
};

// Which arrow keys are held.
struct Arrows {
    bool left = false, right = false, up = false, down = false;
};

struct Game {
    std::array<Ball, 3> balls{{{100, 100, 210, 160, 0, 1.5f},
                               {400, 300, -180, 230, 0, -2.0f},
                               {600, 80, 140, -200, 0, 3.0f}}};
    float paddleX = (kWidth - kPaddleWidth) / 2.0f;
    float paddleY = kPaddleBottom;
    uint32_t hits = 0;
    uint32_t misses = 0;

    // Advances the game by `seconds`: the paddle first, then every ball.
    void step(float seconds, Arrows arrows);

private:
    void movePaddle(float seconds, Arrows arrows);
    void moveBall(Ball& ball, float seconds);
};

}  // namespace spritedemo
