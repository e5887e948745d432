// Language theme files: read as a description, applied to the built-in menu, and listed
// the way the Language dialog lists a folder.
#include "theme.h"

#include <platform/ui.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

// One scratch folder per process, holding the single theme under test.
const std::string& scratchDir() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/viewer_theme_fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        platform::setMessageBoxHook([](HWND, const char*, const char*, UINT) { return IDOK; });
        return true;
    }();
    (void)quiet;

    const std::string path = scratchDir() + "/theme.xml";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    kviewer::ThemeInfo info;
    kviewer::readThemeDescription(path, info);
    kviewer::MenuBar menu = kviewer::builtInMenu();
    kviewer::ThemeInfo inUse;
    kviewer::applyTheme(path, menu, inUse, nullptr);
    kviewer::listThemes(scratchDir(), inUse.countryId);
    std::remove(path.c_str());
    return 0;
}
