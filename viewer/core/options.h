// The viewer's command line: a picture path, the theme to apply, or the headless
// screenshot face.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kviewer {

struct ViewerOptions {
    enum class Mode { Window, Screenshot, Help, Version, Error };
    Mode mode = Mode::Window;
    std::string picture;         // empty: start without one
    std::string language;        // theme file name without ".xml"; empty: the default theme
    std::string screenshotFile;  // Screenshot mode
    uint32_t width = 1024;       // window size of the screenshot
    uint32_t height = 768;
    std::string error;           // Error mode
};

constexpr uint32_t kMaxScreenSide = 16384;

// `arguments` excludes the program name. Options come first; the first argument that is no
// option starts the picture path, and it and everything after it form that path (see
// pictureFromArguments). "--" ends the options.
ViewerOptions parseOptions(const std::vector<std::string>& arguments);

const char* helpText();
const char* usageText();
// "kvIViewer 0.4.0 (kvImage Coder API v0.4)"
std::string versionText();

}  // namespace kviewer
