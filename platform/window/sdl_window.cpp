#include <platform/window.h>

#include <SDL.h>

#include <algorithm>
#include <new>

namespace platform {

namespace {

// SDL scancodes to DirectInput key codes (0 where DirectInput has none).
uint8_t dikOf(SDL_Scancode code) {
    if (code >= SDL_SCANCODE_A && code <= SDL_SCANCODE_Z) {
        static constexpr uint8_t kLetters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                                 0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                                 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
        return kLetters[code - SDL_SCANCODE_A];
    }
    if (code >= SDL_SCANCODE_1 && code <= SDL_SCANCODE_0) return static_cast<uint8_t>(0x02 + (code - SDL_SCANCODE_1));
    if (code >= SDL_SCANCODE_F1 && code <= SDL_SCANCODE_F10) return static_cast<uint8_t>(0x3B + (code - SDL_SCANCODE_F1));
    switch (code) {
    case SDL_SCANCODE_ESCAPE: return 0x01;
    case SDL_SCANCODE_MINUS: return 0x0C;
    case SDL_SCANCODE_EQUALS: return 0x0D;
    case SDL_SCANCODE_BACKSPACE: return 0x0E;
    case SDL_SCANCODE_TAB: return 0x0F;
    case SDL_SCANCODE_LEFTBRACKET: return 0x1A;
    case SDL_SCANCODE_RIGHTBRACKET: return 0x1B;
    case SDL_SCANCODE_RETURN: return 0x1C;
    case SDL_SCANCODE_LCTRL: return 0x1D;
    case SDL_SCANCODE_SEMICOLON: return 0x27;
    case SDL_SCANCODE_APOSTROPHE: return 0x28;
    case SDL_SCANCODE_GRAVE: return 0x29;
    case SDL_SCANCODE_LSHIFT: return 0x2A;
    case SDL_SCANCODE_BACKSLASH: return 0x2B;
    case SDL_SCANCODE_COMMA: return 0x33;
    case SDL_SCANCODE_PERIOD: return 0x34;
    case SDL_SCANCODE_SLASH: return 0x35;
    case SDL_SCANCODE_RSHIFT: return 0x36;
    case SDL_SCANCODE_KP_MULTIPLY: return 0x37;
    case SDL_SCANCODE_LALT: return 0x38;
    case SDL_SCANCODE_SPACE: return 0x39;
    case SDL_SCANCODE_CAPSLOCK: return 0x3A;
    case SDL_SCANCODE_NUMLOCKCLEAR: return 0x45;
    case SDL_SCANCODE_SCROLLLOCK: return 0x46;
    case SDL_SCANCODE_KP_7: return 0x47;
    case SDL_SCANCODE_KP_8: return 0x48;
    case SDL_SCANCODE_KP_9: return 0x49;
    case SDL_SCANCODE_KP_MINUS: return 0x4A;
    case SDL_SCANCODE_KP_4: return 0x4B;
    case SDL_SCANCODE_KP_5: return 0x4C;
    case SDL_SCANCODE_KP_6: return 0x4D;
    case SDL_SCANCODE_KP_PLUS: return 0x4E;
    case SDL_SCANCODE_KP_1: return 0x4F;
    case SDL_SCANCODE_KP_2: return 0x50;
    case SDL_SCANCODE_KP_3: return 0x51;
    case SDL_SCANCODE_KP_0: return 0x52;
    case SDL_SCANCODE_KP_PERIOD: return 0x53;
    case SDL_SCANCODE_F11: return 0x57;
    case SDL_SCANCODE_F12: return 0x58;
    case SDL_SCANCODE_KP_ENTER: return 0x9C;
    case SDL_SCANCODE_RCTRL: return 0x9D;
    case SDL_SCANCODE_KP_DIVIDE: return 0xB5;
    case SDL_SCANCODE_PRINTSCREEN: return 0xB7;
    case SDL_SCANCODE_RALT: return 0xB8;
    case SDL_SCANCODE_PAUSE: return 0xC5;
    case SDL_SCANCODE_HOME: return 0xC7;
    case SDL_SCANCODE_UP: return 0xC8;
    case SDL_SCANCODE_PAGEUP: return 0xC9;
    case SDL_SCANCODE_LEFT: return 0xCB;
    case SDL_SCANCODE_RIGHT: return 0xCD;
    case SDL_SCANCODE_END: return 0xCF;
    case SDL_SCANCODE_DOWN: return 0xD0;
    case SDL_SCANCODE_PAGEDOWN: return 0xD1;
    case SDL_SCANCODE_INSERT: return 0xD2;
    case SDL_SCANCODE_DELETE: return 0xD3;
    case SDL_SCANCODE_LGUI: return 0xDB;
    case SDL_SCANCODE_RGUI: return 0xDC;
    case SDL_SCANCODE_APPLICATION: return 0xDD;
    default: return 0;
    }
}

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
            if (event.window.windowID == id && event.window.event == SDL_WINDOWEVENT_CLOSE) requestClose();
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (event.key.windowID == id) {
                if (const uint8_t dik = dikOf(event.key.keysym.scancode)) setKey(dik, event.type == SDL_KEYDOWN);
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
