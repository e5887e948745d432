#include "game.h"

#include <algorithm>
#include <cctype>

namespace glider {

// The table starts with scores to beat, so that a first game already has something to aim at.
Rules::Rules() : table_{{"ORLEN", 300}, {"KALDOR", 220}, {"TOVREN", 150}, {"LIMNO", 90}, {"MVO", 40}} {}

void Rules::startRound() {
    phase_ = Phase::Playing;
    score_ = 0;
    crystals_ = 0;
    timeLeft_ = kRoundSeconds;
    name_.clear();
}

void Rules::tick(float seconds) {
    if (phase_ != Phase::Playing) return;
    timeLeft_ -= seconds;
    if (timeLeft_ <= 0) endRound();
}

void Rules::collectCrystal(bool marked) {
    if (phase_ != Phase::Playing) return;
    score_ += marked ? kMarkedCrystalPoints : kCrystalPoints;
    ++crystals_;
    timeLeft_ += kCrystalBonusSeconds;
}

void Rules::hitMine() {
    if (phase_ != Phase::Playing) return;
    timeLeft_ -= kMinePenaltySeconds;
    if (timeLeft_ <= 0) endRound();
}

void Rules::toTitle() { phase_ = Phase::Title; }

void Rules::endRound() {
    timeLeft_ = 0;
    phase_ = rankOf(score_) >= 0 ? Phase::EnterName : Phase::GameOver;
}

int32_t Rules::rankOf(int32_t score) const {
    if (score <= 0) return -1;
    const auto place = std::find_if(table_.begin(), table_.end(), [score](const HighScore& h) { return score > h.score; });
    const auto rank = place - table_.begin();
    return rank < static_cast<std::ptrdiff_t>(kTableSize) ? static_cast<int32_t>(rank) : -1;
}

void Rules::type(char c) {
    if (phase_ != Phase::EnterName) return;
    if (c == '\n' || c == '\r') {
        const int32_t rank = rankOf(score_);
        if (name_.empty()) name_ = "PILOT";
        if (rank >= 0) {
            table_.insert(table_.begin() + rank, HighScore{name_, score_});
            table_.resize(std::min(table_.size(), kTableSize));
        }
        phase_ = Phase::GameOver;
    } else if (c == '\b') {
        if (!name_.empty()) name_.pop_back();
    } else if (name_.size() < kNameLength && (std::isalnum(static_cast<unsigned char>(c)) || c == ' ')) {
        name_ += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
}

}  // namespace glider
