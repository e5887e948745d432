// pkg-config: tovren
// The "your first game" program of examples/README.md, built against the installed engine
// only: a window (or, without a display, an offscreen one for a few frames), a square
// sprite the arrow keys move, a line of text, Escape to quit.
#include <tovren/tovren.h>

#include <platform/window.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

int main() {
    // A game window when there is a display; otherwise draw 30 frames offscreen and stop.
    const bool headless = !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY");
    HWND window = headless ? platform::createOffscreenWindow(640, 480)
                           : platform::createSdlWindow("My first game", 640, 480);
    if (!window) {
        std::fprintf(stderr, "first_game: no window\n");
        return 1;
    }

    cTOVREN_GraphiX graphics;
    if (graphics.Init(window, 640, 480, 32, 60, false) != 0) {
        std::fprintf(stderr, "first_game: no graphics device\n");
        return 1;
    }
    cTOVREN_Control control;
    control.Init(nullptr, window, true, false, false);  // the keyboard only

    // A sprite is a picture of B, G, R, A bytes, rows top first: here a 32x32 orange square.
    std::vector<uint8_t> pixels(32 * 32 * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = 40, pixels[i + 1] = 140, pixels[i + 2] = 250, pixels[i + 3] = 255;
    }
    cTOVREN_Sprite square;
    square.Create(pixels.data(), 32, 32);
    cTOVREN_FontTTF font;
    font.Create("DejaVu Sans", -18, 1);

    int x = 304, y = 224;
    const RECT screen{0, 0, 640, 480};
    for (int frame = 0; !headless || frame < 30; ++frame) {
        if (!platform::pumpEvents(window)) break;  // the window was closed
        control.GetKeys();
        if (control.keys[DIK_ESCAPE] & 0x80) break;
        if (control.keys[DIK_LEFT] & 0x80) x -= 4;
        if (control.keys[DIK_RIGHT] & 0x80) x += 4;
        if (control.keys[DIK_UP] & 0x80) y -= 4;
        if (control.keys[DIK_DOWN] & 0x80) y += 4;

        graphics.DrawBegin();
        square.Draw(x, y, RECT{0, 0, 32, 32}, screen, 0);
        font.Print(RECT{10, 10, 630, 40}, 0xFFFFFFFF, "Arrow keys move the square, Escape quits");
        graphics.DrawFinish();
        std::this_thread::sleep_for(std::chrono::milliseconds(16));  // about 60 frames a second
    }
    if (headless) graphics.MakeScreenShot("first_game.bmp");

    font.Release();
    square.Release();
    control.Uninit();
    graphics.Uninit();
    platform::destroyWindow(window);
    return 0;
}
