// spritedemo: a small game on the engine. Spinning balls bounce around an SDL window; the
// arrow keys move a paddle that keeps them off the floor. Escape or closing the window quits.
#include "frame_pacer.h"
#include "game.h"
#include "spritedemo_help.h"

#include <tovren/tovren.h>

#include <platform/window.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

namespace {

using namespace spritedemo;
namespace help = kvhelp_spritedemo;

// DirectInput key codes.
constexpr uint8_t kDikEscape = 0x01;
constexpr uint8_t kDikUp = 0xC8;
constexpr uint8_t kDikLeft = 0xCB;
constexpr uint8_t kDikRight = 0xCD;
constexpr uint8_t kDikDown = 0xD0;

struct Options {
    long maxFrames = -1;  // -1: until the player quits
    const char* screenshot = nullptr;
    bool play = true;     // false: the command line was all there was to do
    int status = 0;       // the exit status when not playing
};

Options stopWith(int status) {
    Options options;
    options.play = false;
    options.status = status;
    return options;
}

Options usageError(const char* what, const char* arg) {
    std::fprintf(stderr, "spritedemo: %s '%s'\n%s", what, arg, help::usage);
    return stopWith(2);
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0) {
            std::fputs(help::text, stdout);
            return stopWith(0);
        }
        if (std::strcmp(arg, "--version") == 0) {
            std::printf("%s %s\n", help::name, help::version);
            return stopWith(0);
        }
        const bool frames = std::strcmp(arg, "--frames") == 0;
        if (!frames && std::strcmp(arg, "--screenshot") != 0) return usageError("unknown option", arg);
        if (i + 1 >= argc) return usageError("a value is needed after", arg);
        const char* value = argv[++i];
        if (!frames) {
            options.screenshot = value;
            continue;
        }
        char* end = nullptr;
        options.maxFrames = std::strtol(value, &end, 10);
        if (*value == '\0' || *end != '\0' || options.maxFrames < 0)
            return usageError("--frames needs a number of frames, not", value);
    }
    return options;
}

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

// A light bar, darker along its lower edge.
std::vector<uint8_t> makePaddle() {
    std::vector<uint8_t> pixels(kPaddleWidth * kPaddleHeight * 4);
    for (int y = 0; y < kPaddleHeight; ++y) {
        const uint8_t level = static_cast<uint8_t>(y < kPaddleHeight - 4 ? 230 : 150);
        for (int x = 0; x < kPaddleWidth; ++x) {
            uint8_t* p = &pixels[(y * kPaddleWidth + x) * 4];
            p[0] = level, p[1] = level, p[2] = level, p[3] = 255;
        }
    }
    return pixels;
}

Arrows arrowsHeld(const platform::InputState& input) {
    return Arrows{input.keys[kDikLeft] != 0, input.keys[kDikRight] != 0, input.keys[kDikUp] != 0,
                  input.keys[kDikDown] != 0};
}

// The display's refresh rate as the device reports it; 60 when it is unknown or odd.
uint32_t refreshRate(cTOVREN_GraphiX& gfx) {
    cTOVREN_GFXDEVICES devices{};
    gfx.GetDevices(&devices);
    D3DDISPLAYMODE mode{};
    if (!devices.d3d || FAILED(devices.d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode))) return 60;
    return mode.RefreshRate >= 24 && mode.RefreshRate <= 500 ? mode.RefreshRate : 60;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    if (!options.play) return options.status;
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
    cTOVREN_Sprite paddle;
    const std::vector<uint8_t> paddlePixels = makePaddle();
    paddle.Create(paddlePixels.data(), kPaddleWidth, kPaddleHeight);
    cTOVREN_FontTTF font;
    font.Create("DejaVu Sans", -18, 1);

    // Scripts (--frames) count every frame as 1/60 second and run as fast as they can.
    const bool interactive = options.maxFrames < 0;
    FramePacer pacer(refreshRate(gfx));
    Game game;
    const RECT screen{0, 0, kWidth, kHeight};
    const RECT ballSource{0, 0, kBallSize, kBallSize};
    const RECT paddleSource{0, 0, kPaddleWidth, kPaddleHeight};
    cTOVREN_Timer frameTimer, fpsTimer;
    frameTimer.Reset();
    fpsTimer.Reset();
    int framesThisSecond = 0, fps = 0;
    for (long frame = 0; interactive || frame < options.maxFrames; ++frame) {
        if (!platform::pumpEvents(window) || window->input().keys[kDikEscape]) break;
        const float seconds = interactive ? std::min(frameTimer.GetTimerShift(), 0.1f) : 1.0f / 60;
        frameTimer.Reset();
        ++framesThisSecond;
        if (fpsTimer.GetTimer(1000)) {
            fps = framesThisSecond;
            framesThisSecond = 0;
        }
        game.step(seconds, arrowsHeld(window->input()));

        gfx.DrawBegin();
        for (int i = 0; i < 3; ++i) {
            const Ball& ball = game.balls[i];
            balls[i].Draw(int(ball.x), int(ball.y), ballSource, screen, 1.0f, 1.0f,
                          D3DXVECTOR2(kBallSize / 2.0f, kBallSize / 2.0f), ball.angle, 0, 0xFFFFFFFF);
        }
        paddle.Draw(int(game.paddleX), int(game.paddleY), paddleSource, screen, 0);
        font.Print(RECT{12, 10, 600, 40}, 0xFFFFFFFF, "Tovren sprite demo - %d fps - hits %u, misses %u", fps,
                   game.hits, game.misses);
        font.Print(RECT{12, kHeight - 30, 600, kHeight}, 0xFFB0C0D0, "Arrow keys move the paddle, Esc quits");
        gfx.DrawFinish();
        if (interactive) std::this_thread::sleep_until(pacer.nextFrame(FramePacer::Clock::now()));
    }
    if (options.screenshot) gfx.MakeScreenShot(options.screenshot);

    font.Release();
    paddle.Release();
    for (cTOVREN_Sprite& ball : balls) ball.Release();
    gfx.Uninit();
    platform::destroyWindow(window);
    return 0;
}
