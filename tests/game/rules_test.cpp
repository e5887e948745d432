// The game's rules on their own: a round's clock and score, and the high-score table.
#include "game.h"

#include <gtest/gtest.h>

namespace {

using namespace glider;

// Plays a round that ends with `crystals` unmarked crystals and the clock run out.
Rules roundWith(int crystals) {
    Rules rules;
    rules.startRound();
    for (int i = 0; i < crystals; ++i) rules.collectCrystal(false);
    rules.tick(1000);
    return rules;
}

TEST(Rules, ARoundRunsOnItsClockAndCrystalsBuyTime) {
    Rules rules;
    EXPECT_EQ(rules.phase(), Phase::Title);
    rules.collectCrystal(false);  // nothing counts outside a round
    rules.startRound();
    EXPECT_EQ(rules.phase(), Phase::Playing);
    EXPECT_EQ(rules.score(), 0);
    rules.collectCrystal(false);
    rules.collectCrystal(true);
    EXPECT_EQ(rules.score(), kCrystalPoints + kMarkedCrystalPoints);
    EXPECT_EQ(rules.crystals(), 2);
    rules.tick(10);
    EXPECT_FLOAT_EQ(rules.timeLeft(), kRoundSeconds + 2 * kCrystalBonusSeconds - 10);
    rules.hitMine();
    EXPECT_FLOAT_EQ(rules.timeLeft(), kRoundSeconds + 2 * kCrystalBonusSeconds - 10 - kMinePenaltySeconds);
    rules.tick(rules.timeLeft() - 0.01f);
    EXPECT_EQ(rules.phase(), Phase::Playing) << "a hundredth of a second is left";
    rules.tick(0.02f);
    EXPECT_NE(rules.phase(), Phase::Playing);
    EXPECT_EQ(rules.timeLeft(), 0.0f);
    rules.tick(5);
    EXPECT_EQ(rules.timeLeft(), 0.0f) << "the clock stops with the round";
}

TEST(Rules, MinesCanEndTheRoundAndAScorelessRoundSkipsTheNameEntry) {
    Rules rules;
    rules.startRound();
    for (int i = 0; i < 8 && rules.phase() == Phase::Playing; ++i) rules.hitMine();
    EXPECT_EQ(rules.phase(), Phase::GameOver);
    EXPECT_EQ(rules.score(), 0);
    rules.toTitle();
    EXPECT_EQ(rules.phase(), Phase::Title);
}

TEST(Rules, AGoodScoreAsksForANameAndTakesItsPlaceInTheTable) {
    // The starting table is 300, 220, 150, 90, 40: 16 crystals (160) go third.
    Rules rules = roundWith(16);
    ASSERT_EQ(rules.phase(), Phase::EnterName);
    for (const char c : std::string("ada lovelace!")) rules.type(c);
    EXPECT_EQ(rules.name(), "ADA LOVELA") << "upper case, at most ten characters, no punctuation";
    rules.type('\b');
    rules.type('\b');
    EXPECT_EQ(rules.name(), "ADA LOVE");
    rules.type('\n');
    EXPECT_EQ(rules.phase(), Phase::GameOver);
    ASSERT_EQ(rules.table().size(), kTableSize);
    EXPECT_EQ(rules.table()[2].name, "ADA LOVE");
    EXPECT_EQ(rules.table()[2].score, 160);
    EXPECT_EQ(rules.table()[3].score, 150);
    EXPECT_EQ(rules.table()[4].score, 90) << "the last entry drops out";
    rules.type('x');
    EXPECT_EQ(rules.name(), "ADA LOVE") << "typing ends with the entry";
}

TEST(Rules, ATieDoesNotBeatAnEntryAndAnEmptyNameIsAPilot) {
    Rules rules;
    EXPECT_EQ(rules.rankOf(300), 1) << "a tie goes below the entry it ties";
    EXPECT_EQ(rules.rankOf(301), 0);
    EXPECT_EQ(rules.rankOf(40), -1);
    EXPECT_EQ(rules.rankOf(41), 4);
    EXPECT_EQ(rules.rankOf(0), -1);

    Rules beaten = roundWith(5);  // 50 beats 40 only
    ASSERT_EQ(beaten.phase(), Phase::EnterName);
    beaten.type('\r');
    EXPECT_EQ(beaten.table()[4].name, "PILOT");
    EXPECT_EQ(beaten.table()[4].score, 50);
    Rules fourth = roundWith(4);
    EXPECT_EQ(fourth.phase(), Phase::GameOver) << "40 ties the last entry";
}

}  // namespace
