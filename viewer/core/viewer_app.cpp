#include "viewer_app.h"

#include <platform/ui.h>

#include <utility>

namespace kviewer {

namespace {

constexpr const char* kLoadFailed = "Can't load image!";
constexpr const char* kProductPagePath = "/ru/soft/zuzodivoveduzur/";
constexpr const char* kManualPath = "Hlp/kvdoc.chm";
constexpr const char* kAboutText =
    "kvImage Coder API v0.4\n\n"
    "Views BMP, CEL, JPEG, PCX, TGA and KVI pictures and saves them as KVI.\n"
    "Arrows pan, keypad + and - zoom, keypad * and / rotate, Enter resets.\n\n"
    "Orlen Works";

platform::FileDialogRequest openRequest() {
    platform::FileDialogRequest request;
    request.filters = {
        {"All supported", "*.bmp;*.cel;*.kvi;*.jpg;*.pcx;*.scl;*.sci;*.scn;*.tga"},
        {"Windows Bitmap (BMP)", "*.bmp"},
        {"kvImage (KVI)", "*.kvi"},
        {"JPEG Image (JPG)", "*.jpg"},
        {"ZSoft PaintBrush (PCX)", "*.pcx"},
        {"Targa (TGA)", "*.tga"},
        {"Screen Copy (SC?)", "*.scl;*.sci;*.scn"},
        {"CEL (CEL)", "*.cel"},
    };
    // The first pattern's extension; the dialog appends it to a name typed without one.
    request.defaultExtension = "bmp";
    return request;
}

platform::FileDialogRequest saveRequest(HWND owner) {
    platform::FileDialogRequest request;
    request.owner = owner;
    request.save = true;
    request.filters = {{"kvImage (KVI)", "*.kvi"}};
    request.defaultExtension = "kvi";
    return request;
}

}  // namespace

ViewerApp::ViewerApp(HWND window, ViewerSettings settings)
    : window_(window), settings_(std::move(settings)) {}

ViewerApp::~ViewerApp() {
    sprite_.Release();
    if (graphicsReady_) graphics_.Uninit();
}

std::string ViewerApp::languageDir() const { return settings_.startDir + "/Language"; }

void ViewerApp::applyStartTheme() {
    applyTheme(languageDir() + "/" + settings_.theme + ".xml", menu_, theme_, window_);
}

uint32_t ViewerApp::initGraphics(uint32_t screenWidth, uint32_t screenHeight) {
    const uint32_t status = graphics_.Init(window_, static_cast<uint16_t>(screenWidth),
                                           static_cast<uint16_t>(screenHeight), 32, 60, false);
    if (status != 0) {
        MessageBoxA(window_, "Can't initialize graphic mode!", "Error!", MB_ICONWARNING);
        return status;
    }
    screenWidth_ = screenWidth;
    screenHeight_ = screenHeight;
    graphicsReady_ = true;
    return 0;
}

bool ViewerApp::open(const std::string& path) {
    Picture loaded;
    cTOVREN_Sprite fresh;
    bool ok = graphicsReady_ && loadPicture(path, loaded);
    if (ok) {
        loaded.image.FX_RepakBits(loaded.pixels(), loaded.width(), loaded.height(), 513, "bgra");
        ok = fresh.Create(loaded.pixels(), loaded.width(), loaded.height()) == 0;
        if (!ok) fresh.Release();
    }
    if (!ok) {
        MessageBoxA(window_, kLoadFailed, "Error!", MB_ICONWARNING);
        return false;
    }
    sprite_.Release();
    sprite_ = fresh;
    picture_ = std::move(loaded);
    imageShown_ = true;
    if (onTitleChanged) onTitleChanged(std::string(kViewerTitle) + " [" + path + "]");
    return true;
}

bool ViewerApp::runCommand(uint32_t id) {
    switch (id) {
    case kCmdOpen: openWithDialog(); return true;
    case kCmdSaveAsKvi: saveWithDialog(); return true;
    case kCmdAbout: showAbout(); return true;
    case kCmdManual: platform::shellOpen(kManualPath); return true;
    case kCmdMakerSite: platform::shellOpen(makerPage("/")); return true;
    case kCmdProductPage: platform::shellOpen(makerPage(kProductPagePath)); return true;
    default: return false;
    }
}

void ViewerApp::openWithDialog() {
    std::string chosen;
    if (platform::showFileDialog(openRequest(), chosen)) open(chosen);
}

void ViewerApp::saveWithDialog() {
    if (!imageShown_) return;
    std::string chosen;
    if (!platform::showFileDialog(saveRequest(window_), chosen)) return;
    saveAsKvi(chosen);
}

SaveResult ViewerApp::saveAsKvi(const std::string& path) {
    if (!imageShown_) return SaveResult::Ok;
    const SaveResult result = savePictureAsKvi(path, picture_);
    if (result != SaveResult::Ok) {
        MessageBoxA(nullptr, saveResultMessage(result), "Error!", MB_ICONERROR);
    }
    return result;
}

void ViewerApp::showAbout() {
    MessageBoxA(window_, kAboutText, "About", MB_ICONINFORMATION);
}

std::string ViewerApp::makerPage(const std::string& path) const {
    return "http://" + settings_.makerWebHost + path;
}

void ViewerApp::drawFrame() {
    if (!graphicsReady_) return;
    graphics_.DrawBegin();
    if (imageShown_) {
        const uint32_t width = picture_.width();
        const uint32_t height = picture_.height();
        const SpritePlacement p = view_.place(screenWidth_, screenHeight_, width, height);
        const RECT source{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
        const RECT clip{p.clipLeft, p.clipTop, p.clipRight, p.clipBottom};
        sprite_.Draw(p.x, p.y, source, clip, p.scale, p.scale, D3DXVECTOR2(p.centreX, p.centreY),
                     p.rotation, 0, 0xFFFFFFFFu);
    }
    graphics_.DrawFinish();
}

void ViewerApp::saveScreenshot(const std::string& path) {
    if (graphicsReady_) graphics_.MakeScreenShot(path.c_str());
}

}  // namespace kviewer
