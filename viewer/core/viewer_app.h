// The viewer's program logic: picture, view, menu and theme, commands and drawing. The
// toolkit layer owns the window and forwards events here; message boxes, file dialogs and the
// shell's open verb go through the platform hooks. Positions are window pixels, which are
// back-buffer pixels: the device's back buffer has the window's client size.
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
    std::string manualPath = {};  // HLP/kvdoc.html; empty when there is none
};

class ViewerApp {
public:
    explicit ViewerApp(HWND window, ViewerSettings settings = {});
    ~ViewerApp();
    ViewerApp(const ViewerApp&) = delete;
    ViewerApp& operator=(const ViewerApp&) = delete;

    // Called with the new window title after a picture was loaded.
    std::function<void(const std::string&)> onTitleChanged;
    // Called after the "Can't load image!" box with the path and why it could not be shown.
    std::function<void(const std::string& path, const std::string& why)> onLoadFailed;
    // Called with true before a picture is read or written and with false when that ends,
    // before any box about it: a big picture takes seconds, and the window shows it is busy.
    std::function<void(bool busy)> onBusy;

    // Applies the start theme, "Language/russian.xml" below the start directory unless the
    // settings name another, to the menu.
    void applyStartTheme();

    // Creates the graphics device with a back buffer of the window's client size, so that
    // zoom 1 shows the picture's pixels 1:1. On failure shows "Can't initialize graphic
    // mode!" and returns the engine's status.
    uint32_t initGraphics(uint32_t viewWidth, uint32_t viewHeight);
    // The window's client size changed: the device is made again at the new size (nothing
    // happens for the same size). The picture keeps its zoom, pan and rotation.
    uint32_t resizeView(uint32_t viewWidth, uint32_t viewHeight);

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

    // Keys, the wheel and drags. The picture never leaves the window entirely.
    void keyDown(uint32_t virtualKey);
    void keyUp(uint32_t virtualKey);  // also F: fit the picture into the window
    void zoomAt(int notches, double x, double y);
    void panBy(int32_t dx, int32_t dy);
    const ViewState& view() const { return view_; }

    // "name — 125%" for the status line; empty before a picture is shown.
    std::string statusText() const;

    const MenuBar& menu() const { return menu_; }
    const ThemeInfo& themeInUse() const { return theme_; }
    const std::string& startDir() const { return settings_.startDir; }
    std::string languageDir() const;
    bool imageShown() const { return imageShown_; }
    const Picture& picture() const { return picture_; }
    uint32_t viewWidth() const { return viewWidth_; }
    uint32_t viewHeight() const { return viewHeight_; }
    // How many times the device was made, for telling a resize burst from its steps.
    uint32_t graphicsInitCount() const { return graphicsInits_; }

private:
    ViewSizes sizes() const;
    void keepInView();
    bool createSprite(cTOVREN_Sprite& sprite, Picture& picture);
    void openManual();
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
    std::string picturePath_;
    bool imageShown_ = false;
    bool graphicsReady_ = false;
    uint32_t viewWidth_ = 0;
    uint32_t viewHeight_ = 0;
    uint32_t graphicsInits_ = 0;
    cTOVREN_GraphiX graphics_;
    cTOVREN_Sprite sprite_;
};

}  // namespace kviewer
