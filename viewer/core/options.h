// The viewer's command line: a picture path, or the headless screenshot face.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kviewer {

struct ViewerOptions {
    enum class Mode { Window, Screenshot, Help, Version, Error };
    Mode mode = Mode::Window;
    std::string picture;         // empty: start without one
    std::string screenshotFile;  // Screenshot mode
    uint32_t width = 1024;       // screen size of the screenshot
    uint32_t height = 768;
    std::string error;           // Error mode
};

constexpr uint32_t kMaxScreenSide = 16384;

// `arguments` excludes the program name. Anything but a leading --screenshot, --help or
// --version is the picture path (see pictureFromArguments).
ViewerOptions parseOptions(const std::vector<std::string>& arguments);

const char* usageText();

}  // namespace kviewer
