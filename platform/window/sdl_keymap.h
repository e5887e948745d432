// SDL scancodes in DirectInput terms.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace platform {

// The DirectInput key code (DIK_*) of a key, or 0 where DirectInput names none.
uint8_t dikFromScancode(SDL_Scancode code);

}  // namespace platform
