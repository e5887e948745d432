// Opens a game window and prints, one line each, the DirectInput code of every key that
// goes down ("down 1e a"): the code in hex and what GetChar types for it. Stops on escape,
// on closing the window, or after the number of seconds given (default 20). Driven by
// keyboard_xvfb.sh with real X key events.
#include <tovren/control.h>

#include <platform/time.h>
#include <platform/window.h>

#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <cstring>
#include <thread>

int main(int argc, char** argv) {
    const long seconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 20;
    HWND window = platform::createSdlWindow("keyprobe", 320, 200);
    if (!window) {
        std::fprintf(stderr, "keyprobe: no window (is DISPLAY set?)\n");
        return 1;
    }
    cTOVREN_Control control;
    if (const uint32_t status = control.Init(nullptr, window, true, false, false)) {
        std::fprintf(stderr, "keyprobe: input init failed: %08X\n", status);
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    uint8_t before[256] = {};
    const uint32_t end = GetTickCount() + static_cast<uint32_t>(seconds) * 1000;
    while (platform::pumpEvents(window) && static_cast<int32_t>(end - GetTickCount()) > 0) {
        control.GetKeys();
        for (int code = 1; code < 256; ++code) {
            if ((control.keys[code] & 0x80) && !(before[code] & 0x80)) {
                cTOVREN_Control single = control;
                std::memset(single.keys, 0, sizeof(single.keys));
                single.keys[code] = 0x80;
                const char typed = single.GetChar();
                std::printf("down %02x %d\n", code, typed);
                std::fflush(stdout);
            }
        }
        std::memcpy(before, control.keys, sizeof(before));
        if (control.keys[DIK_ESCAPE] & 0x80) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    control.Uninit();
    platform::destroyWindow(window);
    return 0;
}
