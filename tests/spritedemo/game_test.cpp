// The sample game's rules and its frame pacing, without a window or a clock.
#include "frame_pacer.h"
#include "game.h"

#include <gtest/gtest.h>

using namespace spritedemo;
using namespace std::chrono_literals;

namespace {

// One ball only, placed by the test; the others are parked far from the paddle.
Game withBall(Ball ball) {
    Game game;
    game.balls = {ball, Ball{0, 0, 0, 0, 0, 0}, Ball{kWidth - kBallSize, 0, 0, 0, 0, 0}};
    return game;
}

}  // namespace

TEST(SpriteDemo, ArrowsMoveThePaddleWithinItsArea) {
    Game game;
    const float startX = game.paddleX;
    game.step(0.5f, Arrows{false, true, false, false});
    EXPECT_FLOAT_EQ(game.paddleX, startX + kPaddleSpeed * 0.5f);
    game.step(0.25f, Arrows{true, false, true, false});
    EXPECT_FLOAT_EQ(game.paddleX, startX + kPaddleSpeed * 0.25f);
    EXPECT_FLOAT_EQ(game.paddleY, kPaddleBottom - kPaddleSpeed * 0.25f);
    // Held long enough, it stops at the walls and at the top of its area.
    for (int i = 0; i < 100; ++i) game.step(0.1f, Arrows{false, true, true, false});
    EXPECT_FLOAT_EQ(game.paddleX, kWidth - kPaddleWidth);
    EXPECT_FLOAT_EQ(game.paddleY, kPaddleTop);
    for (int i = 0; i < 100; ++i) game.step(0.1f, Arrows{true, false, false, true});
    EXPECT_FLOAT_EQ(game.paddleX, 0.0f);
    EXPECT_FLOAT_EQ(game.paddleY, kPaddleBottom);
    // Opposite arrows cancel.
    game.step(0.1f, Arrows{true, true, true, true});
    EXPECT_FLOAT_EQ(game.paddleX, 0.0f);
}

TEST(SpriteDemo, PaddleSendsAFallingBallBackAndTheFloorCountsAMiss) {
    // Falling straight onto the middle of the paddle.
    Game game = withBall(Ball{kWidth / 2.0f - kBallSize / 2.0f, kPaddleBottom - kBallSize - 5, 0, 300, 0, 0});
    game.step(0.05f, Arrows{});
    EXPECT_EQ(game.hits, 1u);
    EXPECT_EQ(game.misses, 0u);
    EXPECT_LT(game.balls[0].vy, 0.0f);
    EXPECT_FLOAT_EQ(game.balls[0].y, kPaddleBottom - kBallSize);

    // The same fall beside the paddle reaches the floor.
    game = withBall(Ball{0, kHeight - kBallSize - 5, 0, 300, 0, 0});
    game.paddleX = kWidth - kPaddleWidth;
    game.step(0.05f, Arrows{});
    EXPECT_EQ(game.hits, 0u);
    EXPECT_EQ(game.misses, 1u);
    EXPECT_LT(game.balls[0].vy, 0.0f);
    EXPECT_LE(game.balls[0].y, float(kHeight - kBallSize));

    // A rising ball passes up through the paddle.
    game = withBall(Ball{kWidth / 2.0f - kBallSize / 2.0f, kPaddleBottom - kBallSize + 3, 0, -300, 0, 0});
    game.step(0.05f, Arrows{});
    EXPECT_EQ(game.hits, 0u);
    EXPECT_LT(game.balls[0].vy, 0.0f);
}

TEST(SpriteDemo, PacerSpacesFramesOnePeriodApartAndForgivesStalls) {
    FramePacer pacer(60);
    EXPECT_EQ(pacer.period(), std::chrono::duration_cast<FramePacer::Clock::duration>(1s) / 60);
    const FramePacer::Clock::time_point start = FramePacer::Clock::now();
    // The first frame waits for nothing; later ones are a period after the one before,
    // however quickly they were drawn.
    EXPECT_EQ(pacer.nextFrame(start), start);
    EXPECT_EQ(pacer.nextFrame(start + 1ms), start + pacer.period());
    EXPECT_EQ(pacer.nextFrame(start + 2ms), start + 2 * pacer.period());
    // A frame that ran a little late is made up by the next one ...
    const auto late = start + 3 * pacer.period() + 5ms;
    EXPECT_EQ(pacer.nextFrame(late), start + 3 * pacer.period());
    // ... but after a long stall the pacing starts again from now.
    const auto stalled = start + 1s;
    EXPECT_EQ(pacer.nextFrame(stalled), stalled);
    EXPECT_EQ(pacer.nextFrame(stalled + 1ms), stalled + pacer.period());
    // A refresh rate of 0 (unknown) means 60.
    EXPECT_EQ(FramePacer(0).period(), pacer.period());
}
