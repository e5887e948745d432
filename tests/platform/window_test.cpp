#include <platform/window.h>

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <vector>

namespace {

TEST(OffscreenWindow, KeepsTheLastFrameScaledNearestAndClampsItsSize) {
    auto* window = static_cast<platform::OffscreenWindow*>(platform::createOffscreenWindow(3, 2));
    const uint32_t frame[2][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}};
    window->present(reinterpret_cast<const uint8_t*>(frame), 2, 2, 16);  // pitch wider than the row
    EXPECT_EQ(window->frame(), (std::vector<uint32_t>{1, 2, 2, 5, 6, 6}));
    window->present(nullptr, 2, 2, 16);
    window->present(reinterpret_cast<const uint8_t*>(frame), 4, 2, 8);  // pitch too small: ignored
    EXPECT_EQ(window->presentCount(), 1u);
    EXPECT_EQ(window->pixel(-1, 0), 0u);
    EXPECT_EQ(window->pixel(3, 0), 0u);
    window->resize(0, 100000);
    EXPECT_EQ(window->clientWidth(), 1);
    EXPECT_EQ(window->clientHeight(), 16384);
    platform::destroyWindow(window);
}

TEST(Window, InputStateAccumulatesMotionUntilTaken) {
    HWND window = platform::createOffscreenWindow(10, 10);
    window->setKey(0x01, true);
    window->setMouseButton(1, true);
    window->setMouseButton(99, true);  // out of range: ignored
    window->moveMouse(5, 6, 2, -1);
    window->moveMouse(7, 8, 3, -2);
    window->scrollMouse(-120);
    EXPECT_EQ(window->input().keys[0x01], 0x80);
    EXPECT_EQ(window->input().mouseButtons[1], 0x80);
    EXPECT_EQ(window->input().mouseX, 7);
    int32_t dx = 0, dy = 0, wheel = 0;
    window->takeMouseMotion(dx, dy, wheel);
    EXPECT_EQ(dx, 5);
    EXPECT_EQ(dy, -3);
    EXPECT_EQ(wheel, -120);
    window->takeMouseMotion(dx, dy, wheel);
    EXPECT_EQ(dx, 0);
    window->moveMouse(0, 0, INT32_MAX, INT32_MIN);  // nobody reads: saturates, never wraps
    window->moveMouse(0, 0, 1, -1);
    window->takeMouseMotion(dx, dy, wheel);
    EXPECT_EQ(dx, INT32_MAX);
    EXPECT_EQ(dy, INT32_MIN);
    window->setKey(0x01, false);
    EXPECT_EQ(window->input().keys[0x01], 0);
    EXPECT_TRUE(platform::pumpEvents(window));
    window->requestClose();
    EXPECT_FALSE(platform::pumpEvents(window));
    EXPECT_FALSE(platform::pumpEvents(nullptr));
    platform::destroyWindow(window);
}

TEST(Window, NewestLiveWindowIsTracked) {
    HWND first = platform::createOffscreenWindow(10, 10);
    HWND second = platform::createOffscreenWindow(20, 10);
    EXPECT_EQ(platform::newestWindow(), second);
    platform::destroyWindow(second);
    EXPECT_EQ(platform::newestWindow(), first);
    platform::destroyWindow(first);
}

// SDL's dummy video driver runs the SDL window without a display. It is set here too because
// ctest does not pass kv_add_test's environment list on at present.
TEST(SdlWindow, OpensPresentsAndPumpsOnTheDummyDriver) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    HWND window = platform::createSdlWindow("test", 64, 48);
    if (!window) GTEST_SKIP() << "no SDL video driver";
    EXPECT_EQ(window->clientWidth(), 64);
    EXPECT_EQ(window->clientHeight(), 48);
    std::vector<uint32_t> frame(32 * 24, 0xFF336699u);
    window->present(reinterpret_cast<const uint8_t*>(frame.data()), 32, 24, 32 * 4);
    EXPECT_TRUE(platform::pumpEvents(window));

    // Events reach the input state in DirectInput terms.
    uint32_t id = 1;
    while (id < 1000 && !SDL_GetWindowFromID(id)) ++id;  // the only SDL window alive
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.windowID = id;
    key.key.keysym.scancode = SDL_SCANCODE_LEFT;
    SDL_PushEvent(&key);
    key.key.keysym.scancode = SDL_SCANCODE_A;
    SDL_PushEvent(&key);
    SDL_Event button{};
    button.type = SDL_MOUSEBUTTONDOWN;
    button.button.windowID = id;
    button.button.button = SDL_BUTTON_RIGHT;
    SDL_PushEvent(&button);
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.windowID = id;
    motion.motion.x = 10;
    motion.motion.y = 12;
    motion.motion.xrel = 3;
    motion.motion.yrel = -4;
    SDL_PushEvent(&motion);
    EXPECT_TRUE(platform::pumpEvents(window));
    EXPECT_EQ(window->input().keys[0xCB], 0x80);  // DIK_LEFT
    EXPECT_EQ(window->input().keys[0x1E], 0x80);  // DIK_A
    EXPECT_EQ(window->input().mouseButtons[1], 0x80);
    EXPECT_EQ(window->input().mouseX, 10);
    EXPECT_EQ(window->input().mouseDeltaY, -4);

    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    EXPECT_FALSE(platform::pumpEvents(window));
    platform::destroyWindow(window);
}

}  // namespace
