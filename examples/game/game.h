// The rules of the glider game, apart from any drawing, sound or input device: the phases
// of a round, the score and the clock, and the high-score table with its name entry. The
// tests drive this class directly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace glider {

enum class Phase {
    Title,      // the attract mode: the autopilot flies, the title and high scores show
    Playing,    // the player flies against the clock
    EnterName,  // the round ended with a score for the table: the player types a name
    GameOver,   // the round ended; any start key goes back to the title
};

struct HighScore {
    std::string name;
    int32_t score;
};

constexpr float kRoundSeconds = 60.0f;
constexpr float kCrystalBonusSeconds = 2.0f;  // each crystal buys a little more time
constexpr float kMinePenaltySeconds = 8.0f;
constexpr int32_t kCrystalPoints = 10;
constexpr int32_t kMarkedCrystalPoints = 25;  // a crystal marked with the mouse first
constexpr size_t kTableSize = 5;
constexpr size_t kNameLength = 10;

class Rules {
public:
    Rules();

    Phase phase() const { return phase_; }
    int32_t score() const { return score_; }
    int32_t crystals() const { return crystals_; }
    float timeLeft() const { return timeLeft_; }
    const std::vector<HighScore>& table() const { return table_; }
    const std::string& name() const { return name_; }

    // Title or GameOver -> Playing with a fresh score and clock.
    void startRound();
    // Runs the clock while playing; the round ends when it reaches zero.
    void tick(float seconds);
    void collectCrystal(bool marked);
    void hitMine();
    // Back to the title from any phase (the player gave up, or the game-over screen ends).
    void toTitle();

    // Name entry, one typed character at a time: letters, digits and spaces are added up to
    // kNameLength, backspace (8) removes the last one, a line feed or carriage return enters
    // the name (an empty one counts as "PILOT") and the phase becomes GameOver.
    void type(char c);

    // Where a score would go in the table (0 is the top), or -1 when it does not make it.
    int32_t rankOf(int32_t score) const;

private:
    void endRound();

    Phase phase_ = Phase::Title;
    int32_t score_ = 0;
    int32_t crystals_ = 0;
    float timeLeft_ = kRoundSeconds;
    std::vector<HighScore> table_;
    std::string name_;
};

}  // namespace glider
