#include "headless.h"

#include "viewer_app.h"

#include <platform/ui.h>
#include <platform/window.h>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace kviewer {

namespace {

struct WindowDeleter {
    void operator()(platform::Window* window) const { platform::destroyWindow(window); }
};

int drawAndSave(HWND window, const ViewerOptions& options) {
    ViewerApp app(window);
    app.onLoadFailed = [](const std::string& path, const std::string& why) {
        std::fprintf(stderr, "kvIViewer: %s: cannot read: %s\n", path.c_str(), why.c_str());
    };
    if (app.initGraphics(options.width, options.height) != 0) return 1;
    if (!app.open(options.picture)) return 1;
    app.drawFrame();
    std::error_code ec;
    std::filesystem::remove(options.screenshotFile, ec);
    app.saveScreenshot(options.screenshotFile);
    if (std::filesystem::file_size(options.screenshotFile, ec) == 0 || ec) {
        std::fprintf(stderr, "kvIViewer: can't write %s\n", options.screenshotFile.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int runScreenshot(const ViewerOptions& options) {
    const auto previous = platform::setMessageBoxHook([](HWND, const char* text, const char*, UINT) {
        std::fprintf(stderr, "kvIViewer: %s\n", text);
        return IDOK;
    });
    const std::unique_ptr<platform::Window, WindowDeleter> window(platform::createOffscreenWindow(
        static_cast<int32_t>(options.width), static_cast<int32_t>(options.height)));
    const int status = drawAndSave(window.get(), options);
    platform::setMessageBoxHook(previous);
    return status;
}

}  // namespace kviewer
