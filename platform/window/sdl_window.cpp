#include "sdl_keymap.h"

#include <platform/window.h>

#include <SDL.h>

#include <algorithm>
#include <new>

namespace platform {

namespace {

// SDL's left, middle, right, x1, x2 as DirectInput's button order left, right, middle, ...
int32_t buttonIndex(uint8_t sdlButton) {
    switch (sdlButton) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    case SDL_BUTTON_X1: return 3;
    case SDL_BUTTON_X2: return 4;
    default: return -1;
    }
}

class SdlWindow final : public Window {
public:
    ~SdlWindow() override {
        captureMouse(false);
        if (texture_) SDL_DestroyTexture(texture_);
        if (renderer_) SDL_DestroyRenderer(renderer_);
        if (window_) SDL_DestroyWindow(window_);
        if (videoUp_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    bool open(const char* title, int32_t width, int32_t height) {
        videoUp_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        if (!videoUp_) return false;
        window_ = SDL_CreateWindow(title ? title : "", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                                   SDL_WINDOW_RESIZABLE);
        if (!window_) return false;
        renderer_ = SDL_CreateRenderer(window_, -1, 0);
        if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
        return renderer_ != nullptr;
    }

    int32_t clientWidth() const override {
        int w = 0, h = 0;
        SDL_GetWindowSize(window_, &w, &h);
        return w;
    }

    int32_t clientHeight() const override {
        int w = 0, h = 0;
        SDL_GetWindowSize(window_, &w, &h);
        return h;
    }

    // The renderer scales the streaming texture to the window; its format matches the
    // frame's B, G, R, X bytes so no conversion happens on our side.
    void present(const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch) override {
        if (!pixels || width <= 0 || height <= 0) return;
        if (!texture_ || width != textureWidth_ || height != textureHeight_) {
            if (texture_) SDL_DestroyTexture(texture_);
            texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width,
                                         height);
            textureWidth_ = width;
            textureHeight_ = height;
            if (!texture_) return;
        }
        SDL_UpdateTexture(texture_, nullptr, pixels, pitch);
        SDL_RenderClear(renderer_);
        SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
        SDL_RenderPresent(renderer_);
    }

    bool pumpEvents() override {
        SDL_Event event;
        const uint32_t id = SDL_GetWindowID(window_);
        while (SDL_PollEvent(&event)) handle(event, id);
        return !closeRequested_;
    }

private:
    void handle(const SDL_Event& event, uint32_t id) {
        switch (event.type) {
        case SDL_QUIT: requestClose(); break;
        case SDL_WINDOWEVENT:
            if (event.window.windowID == id) handleWindowEvent(event.window.event);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (event.key.windowID == id) {
                if (const uint8_t dik = dikFromScancode(event.key.keysym.scancode))
                    setKey(dik, event.type == SDL_KEYDOWN);
            }
            break;
        case SDL_MOUSEMOTION:
            if (event.motion.windowID == id)
                moveMouse(event.motion.x, event.motion.y, event.motion.xrel, event.motion.yrel);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (event.button.windowID == id && buttonIndex(event.button.button) >= 0)
                setMouseButton(buttonIndex(event.button.button), event.type == SDL_MOUSEBUTTONDOWN);
            break;
        case SDL_MOUSEWHEEL:
            if (event.wheel.windowID == id) scrollMouse(event.wheel.y * 120);
            break;
        default: break;
        }
    }

    void handleWindowEvent(uint8_t what) {
        switch (what) {
        case SDL_WINDOWEVENT_CLOSE: requestClose(); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: setInputFocus(true); break;
        case SDL_WINDOWEVENT_FOCUS_LOST: setInputFocus(false); break;
        default: break;
        }
    }

    // Relative mode hides the cursor, keeps it in the window and reports motion only.
    void applyMouseCapture(bool on) override { SDL_SetRelativeMouseMode(on ? SDL_TRUE : SDL_FALSE); }

    bool videoUp_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int32_t textureWidth_ = 0;
    int32_t textureHeight_ = 0;
};

}  // namespace

HWND createSdlWindow(const char* title, int32_t width, int32_t height) {
    auto* window = new (std::nothrow) SdlWindow();
    if (!window) return nullptr;
    if (!window->open(title, std::clamp(width, 1, 16384), std::clamp(height, 1, 16384))) {
        delete window;
        return nullptr;
    }
    return window;
}

}  // namespace platform
