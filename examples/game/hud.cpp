#include "hud.h"

#include "status.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace glider {

namespace {

constexpr uint32_t kWhiteText = 0xFFFFFFFF;
constexpr uint32_t kDimText = 0xFFB8C8D8;
constexpr uint32_t kGoldText = 0xFFFFD060;

// Pictures for sprites are rows of B, G, R, A bytes, top row first.
std::vector<uint8_t> cursorPixels() {
    std::vector<uint8_t> pixels(16 * 16 * 4, 0);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const int d = std::abs(x - 8) + std::abs(y - 8);  // a diamond ring
            uint8_t* p = &pixels[(y * 16 + x) * 4];
            if (d == 6 || d == 7 || (x == 8 && y == 8)) p[0] = p[1] = p[2] = p[3] = 255;
        }
    }
    return pixels;
}

}  // namespace

std::string Hud::create(uint16_t screenWidth, uint16_t screenHeight) {
    screen_ = RECT{0, 0, screenWidth, screenHeight};
    const std::vector<uint8_t> cursor = cursorPixels(), white(8 * 8 * 4, 255);
    if (cursor_.Create(cursor.data(), 16, 16) || white_.Create(white.data(), 8, 8)) {
        return "cannot create the HUD sprites";
    }
    const std::string here = std::filesystem::current_path().string() + "/";
    // The icon goes through the engine's picture loader into a sprite; the emblem straight
    // into a texture that the sprite interface draws.
    cTOVREN_Image icon;
    if (const uint32_t status = icon.LoadImageA("crystal_icon.kvi")) {
        return "cannot load the picture " + here + "crystal_icon.kvi: " + statusText(status);
    }
    const uint32_t iconStatus = icon_.Create(icon.pixels, icon.width, icon.height);
    std::free(icon.pixels);
    if (iconStatus) return "cannot make a sprite of crystal_icon.kvi: " + statusText(iconStatus);
    if (const uint32_t status = emblem_.LoadFromFile("emblem.tga", false)) {
        return "cannot load the texture " + here + "emblem.tga: " + statusText(status);
    }
    text_.Create("DejaVu Sans", -16, 1);
    big_.Create("DejaVu Sans", -44, 1);
    return {};
}

void Hud::release() {
    big_.Release();
    text_.Release();
    emblem_.Release();
    icon_.Release();
    cursor_.Release();
    white_.Release();
}

// A translucent dark blue panel with a thin gold frame, out of one white square: the colour
// passed to the sprite interface multiplies the texture's, alpha included.
void Hud::drawPanel(int32_t x, int32_t y, int32_t width, int32_t height) {
    constexpr uint32_t kFill = 0xA8101E3C, kFrame = 0xE0E6C878;
    drawBar(x, y, width, height, kFill);
    drawBar(x, y, width, 2, kFrame);
    drawBar(x, y + height - 2, width, 2, kFrame);
    drawBar(x, y, 2, height, kFrame);
    drawBar(x + width - 2, y, 2, height, kFrame);
}

void Hud::drawBar(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t color) {
    if (width <= 0) return;
    white_.Draw(x, y, RECT{0, 0, 8, 8}, screen_, width / 8.0f, height / 8.0f, D3DXVECTOR2(0, 0), 0, 0, color);
}

void Hud::draw(const Rules& rules, const HudInfo& info) {
    switch (rules.phase()) {
    case Phase::Title: drawTitle(rules, info); break;
    case Phase::Playing: drawPlaying(rules, info); break;
    case Phase::EnterName:
    case Phase::GameOver: drawRoundEnd(rules, info); break;
    }
}

void Hud::drawPlaying(const Rules& rules, const HudInfo& info) {
    drawPanel(10, 10, 250, 78);
    icon_.Draw(20, 20, RECT{0, 0, 32, 32}, screen_, 0);
    text_.Print(RECT{62, 18, 250, 40}, kWhiteText, "Score %d", rules.score());
    text_.Print(RECT{62, 40, 250, 62}, kDimText, "%d crystals", rules.crystals());
    // The clock as a bar that turns from green to red in its last ten seconds.
    const float left = std::max(rules.timeLeft(), 0.0f);
    const uint32_t barColor = left > 10 ? 0xE060E080 : 0xE0FF5040;
    drawBar(20, 68, 230, 10, 0x80000000);
    drawBar(20, 68, static_cast<int32_t>(230 * std::min(left / kRoundSeconds, 1.0f)), 10, barColor);
    text_.Print(RECT{190, 18, 260, 40}, left > 10 ? kWhiteText : 0xFFFF6050, "%2d s", static_cast<int>(std::ceil(left)));

    text_.Print(RECT{screen_.right - 90, 14, screen_.right, 34}, kDimText, "%d fps", info.fps);
    if (info.markedDistance >= 0) {
        text_.Print(RECT{10, 96, 400, 116}, kGoldText, "marked crystal: %d m (25 points)", info.markedDistance);
    }
    text_.Print(RECT{10, screen_.bottom - 26, screen_.right, screen_.bottom}, kDimText,
                "arrows steer  space boost  click marks a crystal  L lights  Esc gives up");
}

void Hud::drawTable(const Rules& rules, int32_t x, int32_t y) {
    text_.Print(RECT{x, y, x + 300, y + 20}, kGoldText, "Best pilots");
    for (size_t i = 0; i < rules.table().size(); ++i) {
        const HighScore& entry = rules.table()[i];
        const uint32_t color = entry.score == rules.score() && entry.name == rules.name() ? kGoldText : kWhiteText;
        const int32_t row = y + 24 + static_cast<int32_t>(i) * 20;
        text_.Print(RECT{x, row, x + 200, row + 20}, color, "%zu. %s", i + 1, entry.name.c_str());
        text_.Print(RECT{x + 200, row, x + 300, row + 20}, color, "%d", entry.score);
    }
}

void Hud::drawTitle(const Rules& rules, const HudInfo& info) {
    const int32_t x = screen_.right / 2 - 240, y = 90;
    drawPanel(x, y, 480, 360);
    // Any texture can be drawn through a sprite; the panel above has already switched the
    // device's lighting off, which DrawFromTexture leaves as it finds it.
    white_.DrawFromTexture(emblem_.texture, x + 20, y + 20, RECT{0, 0, 96, 96}, screen_, 1, 1, D3DXVECTOR2(0, 0), 0, 0,
                           0xFFFFFFFF);
    big_.Print(RECT{x + 140, y + 30, x + 480, y + 80}, kWhiteText, "GLIDER");
    text_.Print(RECT{x + 140, y + 84, x + 480, y + 104}, kDimText, "Collect crystals, dodge the mines.");
    drawTable(rules, x + 90, y + 140);
    if (std::fmod(info.clock, 1.0f) < 0.6f) {
        text_.Print(RECT{x + 110, y + 290, x + 480, y + 310}, kGoldText, "Press Enter or Start to fly");
    }
    text_.Print(RECT{x + 20, y + 325, x + 480, y + 345}, kDimText, "%s  -  %s",
                info.controller ? "controller ready" : "keyboard and mouse", info.sound ? "sound on" : "sound off");
}

void Hud::drawRoundEnd(const Rules& rules, const HudInfo& info) {
    const int32_t x = screen_.right / 2 - 200, y = 130;
    drawPanel(x, y, 400, 300);
    big_.Print(RECT{x + 20, y + 16, x + 400, y + 66}, kWhiteText, rules.phase() == Phase::EnterName ? "High score!" : "Time's up");
    text_.Print(RECT{x + 20, y + 76, x + 400, y + 96}, kWhiteText, "%d points, %d crystals", rules.score(),
                rules.crystals());
    if (rules.phase() == Phase::EnterName) {
        const bool caret = std::fmod(info.clock, 0.8f) < 0.4f;
        text_.Print(RECT{x + 20, y + 120, x + 400, y + 140}, kGoldText, "Your name: %s%s", rules.name().c_str(),
                    caret ? "_" : "");
        text_.Print(RECT{x + 20, y + 150, x + 400, y + 170}, kDimText, "type it and press Enter");
    } else {
        drawTable(rules, x + 50, y + 110);
        text_.Print(RECT{x + 20, y + 264, x + 400, y + 284}, kGoldText, "Enter or Start: back to the title");
    }
}

void Hud::drawCursor(int32_t x, int32_t y) { cursor_.Draw(x - 8, y - 8, RECT{0, 0, 16, 16}, screen_, 0); }

}  // namespace glider
