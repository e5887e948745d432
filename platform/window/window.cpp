#include <platform/window.h>

#include <algorithm>
#include <iterator>
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

void Window::setInputFocus(bool focused) {
    if (focused == focused_) return;
    focused_ = focused;
    if (focused) return;
    ++focusLosses_;
    std::fill(std::begin(input_.keys), std::end(input_.keys), uint8_t{0});
    std::fill(std::begin(input_.mouseButtons), std::end(input_.mouseButtons), uint8_t{0});
    captureMouse(false);
}

void Window::captureMouse(bool on) {
    on = on && focused_;
    if (on == mouseCaptured_) return;
    mouseCaptured_ = on;
    applyMouseCapture(on);
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
