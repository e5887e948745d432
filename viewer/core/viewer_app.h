// The viewer's program logic: picture, view, menu and theme, commands and drawing. The
// toolkit layer owns the window and forwards events here; message boxes, file dialogs and the
// shell's open verb go through the platform hooks.
#pragma once

#include "menu_model.h"
#include "picture.h"
#include "theme.h"
#include "view_state.h"

#include <tovren/tovren.h>

#include <cstdint>
#include <functional>
#include <string>

namespace kviewer {

constexpr const char* kViewerTitle = "kvImage Coder API v0.4";

struct ViewerSettings {
    std::string startDir;        // its "Language" folder holds the themes
    std::string makerWebHost;    // host of the maker's web site
    std::string theme = "russian";  // the theme applied at start, a file name without ".xml"
};

class ViewerApp {
public:
    explicit ViewerApp(HWND window, ViewerSettings settings = {});
    ~ViewerApp();
    ViewerApp(const ViewerApp&) = delete;
    ViewerApp& operator=(const ViewerApp&) = delete;

    // Called with the new window title after a picture was loaded.
    std::function<void(const std::string&)> onTitleChanged;

    // Applies the start theme, "Language/russian.xml" below the start directory unless the
    // settings name another, to the menu.
    void applyStartTheme();

    // Creates the graphics device for the screen size. On failure shows "Can't initialize
    // graphic mode!" and returns the engine's status.
    uint32_t initGraphics(uint32_t screenWidth, uint32_t screenHeight);

    // Load: on success the picture is shown from the next frame on; on failure "Can't load
    // image!" and the previous picture stays.
    bool open(const std::string& path);

    // Commands of the menu and toolbar that need no toolkit window of their own; false for
    // the ones the toolkit layer carries out (Exit and Language) and for unknown ones.
    bool runCommand(uint32_t id);

    // One frame: DrawBegin, the picture if one is shown, DrawFinish. Nothing before
    // initGraphics has succeeded.
    void drawFrame();

    // The presented back buffer as a BMP file.
    void saveScreenshot(const std::string& path);

    // Writes the picture as KVI; nothing before a picture was shown. The result of the last
    // step that ran (Ok when nothing was to be saved).
    SaveResult saveAsKvi(const std::string& path);

    void keyDown(uint32_t virtualKey) { view_.keyDown(virtualKey); }
    void keyUp(uint32_t virtualKey) { view_.keyUp(virtualKey); }
    ViewState& view() { return view_; }

    const MenuBar& menu() const { return menu_; }
    const ThemeInfo& themeInUse() const { return theme_; }
    const std::string& startDir() const { return settings_.startDir; }
    std::string languageDir() const;
    bool imageShown() const { return imageShown_; }
    const Picture& picture() const { return picture_; }
    uint32_t screenWidth() const { return screenWidth_; }
    uint32_t screenHeight() const { return screenHeight_; }

private:
    void openWithDialog();
    void saveWithDialog();
    void showAbout();
    std::string makerPage(const std::string& path) const;

    HWND window_;
    ViewerSettings settings_;
    MenuBar menu_ = builtInMenu();
    ThemeInfo theme_;
    ViewState view_;
    Picture picture_;
    bool imageShown_ = false;
    bool graphicsReady_ = false;
    uint32_t screenWidth_ = 0;
    uint32_t screenHeight_ = 0;
    cTOVREN_GraphiX graphics_;
    cTOVREN_Sprite sprite_;
};

}  // namespace kviewer
