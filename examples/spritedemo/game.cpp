#include "game.h"

#include <algorithm>

namespace spritedemo {

void Game::step(float seconds, Arrows arrows) {
    movePaddle(seconds, arrows);
    for (Ball& ball : balls) moveBall(ball, seconds);
}

void Game::movePaddle(float seconds, Arrows arrows) {
    const float distance = kPaddleSpeed * seconds;
    paddleX += (arrows.right ? distance : 0.0f) - (arrows.left ? distance : 0.0f);
    paddleY += (arrows.down ? distance : 0.0f) - (arrows.up ? distance : 0.0f);
    paddleX = std::clamp(paddleX, 0.0f, float(kWidth - kPaddleWidth));
    paddleY = std::clamp(paddleY, kPaddleTop, kPaddleBottom);
}

void Game::moveBall(Ball& ball, float seconds) {
    const float oldBottom = ball.y + kBallSize;
    ball.x += ball.vx * seconds;
    ball.y += ball.vy * seconds;
    ball.angle += ball.spin * seconds;
    if (ball.x < 0 || ball.x > kWidth - kBallSize) ball.vx = -ball.vx;
    if (ball.y < 0) ball.vy = -ball.vy;

    // A falling ball whose bottom crossed the paddle's top edge above it bounces off it.
    const float bottom = ball.y + kBallSize;
    const float centre = ball.x + kBallSize / 2.0f;
    if (ball.vy > 0 && oldBottom <= paddleY && bottom >= paddleY && centre >= paddleX &&
        centre <= paddleX + kPaddleWidth) {
        ball.vy = -ball.vy;
        ball.y = paddleY - kBallSize;
        ++hits;
    } else if (ball.y > kHeight - kBallSize) {
        ball.vy = -ball.vy;
        ++misses;
    }
    ball.x = std::clamp(ball.x, 0.0f, float(kWidth - kBallSize));
    ball.y = std::clamp(ball.y, 0.0f, float(kHeight - kBallSize));
}

}  // namespace spritedemo
