#include "options.h"

#include "launch.h"

#include <charconv>

namespace kviewer {

namespace {

bool parseSide(std::string_view text, uint32_t& side) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), side);
    return ec == std::errc() && end == text.data() + text.size() && side >= 1 && side <= kMaxScreenSide;
}

bool parseSize(const std::string& text, uint32_t& width, uint32_t& height) {
    const auto x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    return parseSide(std::string_view(text).substr(0, x), width) &&
           parseSide(std::string_view(text).substr(x + 1), height);
}

ViewerOptions withMode(ViewerOptions::Mode mode) {
    ViewerOptions options;
    options.mode = mode;
    return options;
}

ViewerOptions error(const std::string& message) {
    ViewerOptions options = withMode(ViewerOptions::Mode::Error);
    options.error = message;
    return options;
}

ViewerOptions parseScreenshot(const std::vector<std::string>& arguments) {
    ViewerOptions options = withMode(ViewerOptions::Mode::Screenshot);
    std::size_t next = 1;
    if (next >= arguments.size()) return error("--screenshot needs an output file");
    options.screenshotFile = arguments[next++];
    if (next < arguments.size() && arguments[next] == "--size") {
        if (++next >= arguments.size() || !parseSize(arguments[next], options.width, options.height)) {
            return error("--size needs WIDTHxHEIGHT, each 1 to 16384");
        }
        ++next;
    }
    if (next + 1 != arguments.size()) return error("--screenshot needs exactly one picture");
    options.picture = arguments[next];
    return options;
}

}  // namespace

ViewerOptions parseOptions(const std::vector<std::string>& arguments) {
    if (!arguments.empty()) {
        const std::string& first = arguments.front();
        if (first == "--screenshot") return parseScreenshot(arguments);
        if (first == "--help" || first == "-h") return withMode(ViewerOptions::Mode::Help);
        if (first == "--version") return withMode(ViewerOptions::Mode::Version);
    }
    ViewerOptions options;
    options.picture = pictureFromArguments(arguments);
    return options;
}

const char* usageText() {
    return "usage: kvIViewer [PICTURE]\n"
           "       kvIViewer --screenshot FILE [--size WIDTHxHEIGHT] PICTURE\n"
           "Shows a BMP, CEL, JPEG, PCX, TGA or KVI picture and saves it as KVI.\n"
           "--screenshot draws one frame of PICTURE at the given screen size (default\n"
           "1024x768) without a window and writes it to FILE as BMP.\n";
}

}  // namespace kviewer
