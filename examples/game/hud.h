// Everything drawn over the 3D view: the score panel while playing, the title screen with
// the high scores, the name entry and game-over screens, and the mouse cursor. Panels are
// cTOVREN_Sprite pictures made here from code, the emblem a TGA texture and the crystal icon
// a KVI picture (both made by the build), the texts cTOVREN_FontTTF.
#pragma once

#include "game.h"

#include <tovren/tovren.h>

#include <string>

namespace glider {

// What the HUD shows besides the rules' own state.
struct HudInfo {
    int32_t fps = 0;
    int32_t markedDistance = -1;  // units to the crystal marked with the mouse, or -1
    bool night = false;
    bool controller = false;  // a game controller is in use
    bool sound = false;
    float clock = 0;  // seconds since the start, for blinking
};

class Hud {
public:
    // Needs the graphics device. Loads emblem.tga and crystal_icon.kvi from the current
    // folder; an empty string on success, otherwise what failed.
    std::string create(uint16_t screenWidth, uint16_t screenHeight);
    void release();

    void draw(const Rules& rules, const HudInfo& info);
    void drawCursor(int32_t x, int32_t y);

private:
    void drawPlaying(const Rules& rules, const HudInfo& info);
    void drawTitle(const Rules& rules, const HudInfo& info);
    void drawRoundEnd(const Rules& rules, const HudInfo& info);
    void drawTable(const Rules& rules, int32_t x, int32_t y);  // the player's own entry in gold
    void drawPanel(int32_t x, int32_t y, int32_t width, int32_t height);
    void drawBar(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t color);

    RECT screen_{};
    cTOVREN_Sprite white_;   // one white square, scaled and tinted into panels and bars
    cTOVREN_Sprite cursor_;
    cTOVREN_Sprite icon_;    // the crystal icon, from a KVI picture through cTOVREN_Image
    cTOVREN_Texture emblem_; // the title emblem, a TGA file loaded as a texture
    cTOVREN_FontTTF text_;
    cTOVREN_FontTTF big_;
};

}  // namespace glider
