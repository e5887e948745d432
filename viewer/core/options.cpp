#include "options.h"

#include "kvIViewer_help.h"
#include "launch.h"
#include "viewer_app.h"

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

// A theme is a file of the Language folder: a bare name, ".xml" optional.
bool parseThemeName(std::string name, std::string& out) {
    const std::string suffix = ".xml";
    if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
        name.resize(name.size() - suffix.size());
    }
    if (name.empty() || name.front() == '.' || name.find('/') != std::string::npos) return false;
    out = name;
    return true;
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
    std::size_t next = 0;
    for (; next < arguments.size() && arguments[next].size() > 1 && arguments[next][0] == '-'; ++next) {
        const std::string& option = arguments[next];
        if (option == "--") {
            ++next;
            break;
        }
        if (option != "--language") return error("unknown option '" + option + "'");
        if (++next >= arguments.size() || !parseThemeName(arguments[next], options.language)) {
            return error("--language needs the name of a theme file in the Language folder");
        }
    }
    options.picture = pictureFromArguments(std::vector<std::string>(arguments.begin() + next, arguments.end()));
    return options;
}

const char* helpText() { return kvhelp_kvIViewer::text; }

const char* usageText() { return kvhelp_kvIViewer::usage; }

std::string versionText() {
    return std::string(kvhelp_kvIViewer::name) + " " + kvhelp_kvIViewer::version + " (" + kViewerTitle + ")";
}

}  // namespace kviewer
