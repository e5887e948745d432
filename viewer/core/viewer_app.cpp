#include "viewer_app.h"

#include <kvi_io.h>

#include <platform/ui.h>

#include <cmath>
#include <new>
#include <string>
#include <utility>

namespace kviewer {

namespace {

constexpr const char* kLoadFailed = "Can't load image!";
constexpr const char* kProductPagePath = "/ru/soft/zuzodivoveduzur/";
constexpr const char* kAboutText =
    "kvImage Coder API v0.4\n\n"
    "Views BMP, CEL, JPEG, PCX, TGA and KVI pictures and saves them as KVI.\n"
    "Arrows pan, keypad + and - zoom, keypad * and / rotate, Enter resets, F fits.\n\n"
    "Orlen Works";

platform::FileDialogRequest openRequest(const std::string& shown) {
    platform::FileDialogRequest request;
    request.initialPath = shown;  // the dialog opens in the folder of the picture shown
    request.filters = kvi_io::pictureFilters();
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

// onBusy(true) now and onBusy(false) when the span ends, however it ends.
class BusySpan {
public:
    explicit BusySpan(const std::function<void(bool)>& onBusy) : onBusy_(onBusy) {
        if (onBusy_) onBusy_(true);
    }
    ~BusySpan() {
        if (onBusy_) onBusy_(false);
    }
    BusySpan(const BusySpan&) = delete;
    BusySpan& operator=(const BusySpan&) = delete;

private:
    const std::function<void(bool)>& onBusy_;
};

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

uint32_t ViewerApp::initGraphics(uint32_t viewWidth, uint32_t viewHeight) {
    ++graphicsInits_;
    const uint32_t status = graphics_.Init(window_, static_cast<uint16_t>(viewWidth),
                                           static_cast<uint16_t>(viewHeight), 32, 60, false);
    graphicsReady_ = status == 0;
    if (!graphicsReady_) {
        MessageBoxA(window_, "Can't initialize graphic mode!", "Error!", MB_ICONWARNING);
        return status;
    }
    viewWidth_ = viewWidth;
    viewHeight_ = viewHeight;
    return 0;
}

uint32_t ViewerApp::resizeView(uint32_t viewWidth, uint32_t viewHeight) {
    if (graphicsReady_ && viewWidth == viewWidth_ && viewHeight == viewHeight_) return 0;
    // The sprite's texture belongs to the device, so it goes first and is made again after.
    sprite_.Release();
    if (const uint32_t status = initGraphics(viewWidth, viewHeight)) return status;
    if (imageShown_ && !createSprite(sprite_, picture_)) imageShown_ = false;
    keepInView();
    return 0;
}

bool ViewerApp::createSprite(cTOVREN_Sprite& sprite, Picture& picture) {
    if (sprite.Create(picture.pixels(), picture.width(), picture.height()) == 0) return true;
    sprite.Release();
    return false;
}

bool ViewerApp::open(const std::string& path) {
    Picture loaded;
    cTOVREN_Sprite fresh;
    std::string why = "no graphics device";
    bool ok = false;
    try {
        const BusySpan busy(onBusy);
        ok = graphicsReady_ && loadPicture(path, loaded, &why);
        if (ok) {
            loaded.image.FX_RepakBits(loaded.pixels(), loaded.width(), loaded.height(), 513, "bgra");
            ok = createSprite(fresh, loaded);
            if (!ok) why = "the graphics device cannot hold a picture this large";
        }
    } catch (const std::bad_alloc&) {  // the program's edge: reported, never an abort
        fresh.Release();
        ok = false;
        why = "Memory allocation is failed!";
    }
    if (!ok) {
        MessageBoxA(window_, kLoadFailed, "Error!", MB_ICONWARNING);
        if (onLoadFailed) onLoadFailed(path, why);
        return false;
    }
    sprite_.Release();
    sprite_ = fresh;
    picture_ = std::move(loaded);
    picturePath_ = path;
    imageShown_ = true;
    keepInView();
    if (onTitleChanged) onTitleChanged(std::string(kViewerTitle) + " [" + path + "]");
    return true;
}

ViewSizes ViewerApp::sizes() const {
    return ViewSizes{viewWidth_, viewHeight_, picture_.width(), picture_.height()};
}

void ViewerApp::keepInView() {
    if (imageShown_) view_.keepInView(sizes());
}

void ViewerApp::keyDown(uint32_t virtualKey) {
    if (view_.keyDown(virtualKey)) keepInView();
}

void ViewerApp::keyUp(uint32_t virtualKey) {
    if (virtualKey == kVkF && imageShown_) view_.fit(sizes());
    else if (!view_.keyUp(virtualKey)) return;
    keepInView();
}

void ViewerApp::zoomAt(int notches, double x, double y) {
    view_.zoomAt(notches, x, y, sizes());
    keepInView();
}

void ViewerApp::panBy(int32_t dx, int32_t dy) {
    view_.panBy(dx, dy);
    keepInView();
}

std::string ViewerApp::statusText() const {
    if (!imageShown_) return {};
    const std::size_t slash = picturePath_.find_last_of('/');
    const std::string name = slash == std::string::npos ? picturePath_ : picturePath_.substr(slash + 1);
    const long percent = std::lround(static_cast<double>(view_.zoom) * 100.0);
    return name + " \u2014 " + std::to_string(percent) + "%";
}

bool ViewerApp::runCommand(uint32_t id) {
    switch (id) {
    case kCmdOpen: openWithDialog(); return true;
    case kCmdSaveAsKvi: saveWithDialog(); return true;
    case kCmdAbout: showAbout(); return true;
    case kCmdManual: openManual(); return true;
    case kCmdMakerSite: platform::shellOpen(makerPage("/")); return true;
    case kCmdProductPage: platform::shellOpen(makerPage(kProductPagePath)); return true;
    default: return false;
    }
}

void ViewerApp::openWithDialog() {
    std::string chosen;
    if (platform::showFileDialog(openRequest(picturePath_), chosen)) open(chosen);
}

void ViewerApp::openManual() {
    const std::string& manual = settings_.manualPath;
    if (manual.empty() || !platform::shellOpen(manual)) {
        const std::string text = "Can't open the manual " + (manual.empty() ? "HLP/kvdoc.html" : manual) + "!";
        MessageBoxA(window_, text.c_str(), "Error!", MB_ICONERROR);
    }
}

void ViewerApp::saveWithDialog() {
    if (!imageShown_) return;
    std::string chosen;
    if (!platform::showFileDialog(saveRequest(window_), chosen)) return;
    saveAsKvi(chosen);
}

SaveResult ViewerApp::saveAsKvi(const std::string& path) {
    if (!imageShown_) return SaveResult::Ok;
    SaveResult result;
    {
        const BusySpan busy(onBusy);
        result = savePictureAsKvi(path, picture_);
    }
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
        const SpritePlacement p = view_.place(sizes());
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
