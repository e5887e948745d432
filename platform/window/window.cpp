#include <platform/window.h>

#include <algorithm>
#include <vector>

namespace platform {

namespace {
// Single UI thread, as everywhere in the suite.
std::vector<Window*>& liveWindows() {
    static std::vector<Window*> windows;
    return windows;
}
}  // namespace

Window::Window() { liveWindows().push_back(this); }

Window::~Window() {
    auto& windows = liveWindows();
    windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
}

Window* newestWindow() { return liveWindows().empty() ? nullptr : liveWindows().back(); }

bool isLiveWindow(const Window* window) {
    const auto& windows = liveWindows();
    return window && std::find(windows.begin(), windows.end(), window) != windows.end();
}

HWND createOffscreenWindow(int32_t width, int32_t height) { return new OffscreenWindow(width, height); }

bool pumpEvents(HWND window) { return window ? window->pumpEvents() : false; }

void destroyWindow(HWND window) { delete window; }

}  // namespace platform
