// spritedemo: bouncing, spinning sprites and a frames-per-second counter in an SDL window.
// Escape or closing the window quits; "--frames N" stops after N frames (for scripts), and
// "--screenshot FILE" saves the last frame as a BMP.
#include <tovren/tovren.h>

#include <platform/window.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint16_t kWidth = 800;
constexpr uint16_t kHeight = 600;
constexpr uint8_t kDikEscape = 0x01;
constexpr int kBallSize = 64;

// A soft-edged ball with a highlight, bytes B, G, R, A.
std::vector<uint8_t> makeBall(uint8_t red, uint8_t green, uint8_t blue) {
    std::vector<uint8_t> pixels(kBallSize * kBallSize * 4);
    const float radius = kBallSize / 2.0f;
    for (int y = 0; y < kBallSize; ++y) {
        for (int x = 0; x < kBallSize; ++x) {
            const float dx = x + 0.5f - radius, dy = y + 0.5f - radius;
            const float edge = std::clamp(radius - std::sqrt(dx * dx + dy * dy), 0.0f, 1.0f);
            const float shine = std::clamp(1.3f - std::hypot(dx + 10, dy + 10) / radius, 0.4f, 1.0f);
            uint8_t* p = &pixels[(y * kBallSize + x) * 4];
            p[0] = static_cast<uint8_t>(blue * shine);
            p[1] = static_cast<uint8_t>(green * shine);
            p[2] = static_cast<uint8_t>(red * shine);
            p[3] = static_cast<uint8_t>(255 * edge);
        }
    }
    return pixels;
}

struct Ball {
    float x, y, vx, vy, angle, spin;
};

void move(Ball& ball, float seconds) {
    ball.x += ball.vx * seconds;
    ball.y += ball.vy * seconds;
    ball.angle += ball.spin * seconds;
    if (ball.x < 0 || ball.x > kWidth - kBallSize) ball.vx = -ball.vx;
    if (ball.y < 0 || ball.y > kHeight - kBallSize) ball.vy = -ball.vy;
    ball.x = std::clamp(ball.x, 0.0f, float(kWidth - kBallSize));
    ball.y = std::clamp(ball.y, 0.0f, float(kHeight - kBallSize));
}

}  // namespace

int main(int argc, char** argv) {
    long maxFrames = -1;
    const char* screenshot = nullptr;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--frames") == 0) maxFrames = std::strtol(argv[i + 1], nullptr, 10);
        if (std::strcmp(argv[i], "--screenshot") == 0) screenshot = argv[i + 1];
    }
    HWND window = platform::createSdlWindow("Tovren sprite demo", kWidth, kHeight);
    if (!window) window = platform::createOffscreenWindow(kWidth, kHeight);

    cTOVREN_GraphiX gfx;
    if (const uint32_t status = gfx.Init(window, kWidth, kHeight, 32, 60, false)) {
        char message[64];
        TOVREN_ERROR_GetStringByCode(status, message);
        std::fprintf(stderr, "spritedemo: %s\n", message);
        platform::destroyWindow(window);
        return 1;
    }
    gfx.SetClearColor(0x1A2A3Au);

    cTOVREN_Sprite balls[3];
    const uint8_t colours[3][3] = {{240, 80, 60}, {80, 200, 90}, {70, 130, 240}};
    for (int i = 0; i < 3; ++i) {
        const std::vector<uint8_t> pixels = makeBall(colours[i][0], colours[i][1], colours[i][2]);
        balls[i].Create(pixels.data(), kBallSize, kBallSize);
    }
    Ball state[3] = {{100, 100, 210, 160, 0, 1.5f}, {400, 300, -180, 230, 0, -2.0f}, {600, 80, 140, -200, 0, 3.0f}};
    cTOVREN_FontTTF font;
    font.Create("DejaVu Sans", -18, 1);

    const RECT screen{0, 0, kWidth, kHeight};
    const RECT source{0, 0, kBallSize, kBallSize};
    cTOVREN_Timer frameTimer, fpsTimer;
    frameTimer.Reset();
    fpsTimer.Reset();
    int framesThisSecond = 0, fps = 0;
    for (long frame = 0; maxFrames < 0 || frame < maxFrames; ++frame) {
        if (!platform::pumpEvents(window) || window->input().keys[kDikEscape]) break;
        const float seconds = maxFrames < 0 ? frameTimer.GetTimerShift() : 1.0f / 60;
        frameTimer.Reset();
        ++framesThisSecond;
        if (fpsTimer.GetTimer(1000)) {
            fps = framesThisSecond;
            framesThisSecond = 0;
        }

        gfx.DrawBegin();
        for (int i = 0; i < 3; ++i) {
            move(state[i], seconds);
            balls[i].Draw(int(state[i].x), int(state[i].y), source, screen, 1.0f, 1.0f,
                          D3DXVECTOR2(kBallSize / 2.0f, kBallSize / 2.0f), state[i].angle, 0, 0xFFFFFFFF);
        }
        font.Print(RECT{12, 10, 400, 40}, 0xFFFFFFFF, "Tovren sprite demo - %d fps", fps);
        font.Print(RECT{12, kHeight - 34, 400, kHeight}, 0xFFB0C0D0, "Esc quits");
        gfx.DrawFinish();
    }
    if (screenshot) gfx.MakeScreenShot(screenshot);

    font.Release();
    for (cTOVREN_Sprite& ball : balls) ball.Release();
    gfx.Uninit();
    platform::destroyWindow(window);
    return 0;
}
