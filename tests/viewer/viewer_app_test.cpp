#include "viewer_app.h"
#include "viewer_fixture.h"

#include <kvicodec/kvidecoder.h>
#include <platform/window.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

using namespace kviewer;
using kvtest::Bytes;
using viewertest::UiRecorder;

namespace {

constexpr uint32_t kScreenW = 160;
constexpr uint32_t kScreenH = 120;

struct WindowDeleter {
    void operator()(platform::Window* w) const { platform::destroyWindow(w); }
};

// A viewer on an offscreen window with its graphics device up.
struct Viewer {
    explicit Viewer(ViewerSettings settings = {})
        : window(platform::createOffscreenWindow(kScreenW, kScreenH)),
          app(window.get(), std::move(settings)) {
        app.onTitleChanged = [this](const std::string& t) { title = t; };
    }
    bool init() { return app.initGraphics(kScreenW, kScreenH) == 0; }
    platform::OffscreenWindow& offscreen() { return *static_cast<platform::OffscreenWindow*>(window.get()); }

    std::unique_ptr<platform::Window, WindowDeleter> window;
    ViewerApp app;
    std::string title;
};

Bytes opaque(Bytes rgba) {
    for (std::size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
    return rgba;
}

uint32_t rgbAt(const Bytes& rgba, uint32_t width, uint32_t x, uint32_t y) {
    const std::size_t i = (std::size_t(y) * width + x) * 4;
    return uint32_t(rgba[i]) << 16 | uint32_t(rgba[i + 1]) << 8 | rgba[i + 2];
}

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kYellow = 0xFFFF00, kWhite = 0xFFFFFF;

// Quadrants red (top left), green (top right), blue (bottom left) and yellow, and a white
// disc of radius 10 at the centre.
uint32_t quadrantColour(double x, double y, double w, double h) {
    const double dx = x - w / 2, dy = y - h / 2;
    if (dx * dx + dy * dy <= 100) return kWhite;
    if (dy < 0) return dx < 0 ? kRed : kGreen;
    return dx < 0 ? kBlue : kYellow;
}

Bytes quadrants(uint32_t w, uint32_t h) {
    Bytes rgba(std::size_t(w) * h * 4);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t c = quadrantColour(x + 0.5, y + 0.5, w, h);
            uint8_t* p = &rgba[(std::size_t(y) * w + x) * 4];
            p[0] = uint8_t(c >> 16), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c), p[3] = 255;
        }
    }
    return rgba;
}

}  // namespace

TEST(ViewerApp, StartThemeTranslatesTheMenu) {
    kvtest::TempDir dir;
    std::filesystem::copy(KV_VIEWER_LANGUAGE_DIR, dir.path() / "Language");
    UiRecorder ui;
    Viewer viewer(ViewerSettings{dir.path().string(), "example.org"});
    viewer.app.applyStartTheme();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(viewer.app.menu().headers[0].text, "Файл");
    EXPECT_EQ(viewer.app.menu().headers[0].entries[1].text, "Сохранить как kvI");
    EXPECT_EQ(viewer.app.themeInUse().name, "Русский");

    // Every shipped theme translates every entry of the menu, and the dialog lists them all.
    const LanguageList list = listThemes(viewer.app.languageDir(), viewer.app.themeInUse().countryId);
    EXPECT_EQ(list.entries.size(), 2u);
    EXPECT_EQ(list.nameText, "Русский");
    EXPECT_EQ(list.versionText, "1.0");
}

TEST(ViewerApp, ChosenThemeReplacesTheStartTheme) {
    kvtest::TempDir dir;
    std::filesystem::copy(KV_VIEWER_LANGUAGE_DIR, dir.path() / "Language");
    UiRecorder ui;
    ViewerSettings settings{dir.path().string(), "example.org"};
    settings.theme = "english";
    Viewer viewer(settings);
    viewer.app.applyStartTheme();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(viewer.app.menu().headers[0].text, "File");
    EXPECT_EQ(viewer.app.themeInUse().name, "English");
}

TEST(ViewerApp, MissingThemeKeepsEnglishMenu) {
    kvtest::TempDir dir;
    UiRecorder ui;
    Viewer viewer(ViewerSettings{dir.path().string(), "example.org"});
    viewer.app.applyStartTheme();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "ERROR!");
    EXPECT_EQ(viewer.app.menu().headers[0].text, "File");
}

TEST(ViewerApp, OpenCommandOffersTheFormatsAndLoadsTheChoice) {
    kvtest::TempDir dir;
    ASSERT_TRUE(viewertest::writeKvi(dir.file("a.kvi"), 8, 6, 32, kvtest::makePhotoRgba(8, 6)));
    UiRecorder ui;
    Viewer viewer;
    ASSERT_TRUE(viewer.init());
    EXPECT_TRUE(viewer.app.runCommand(kCmdOpen));  // cancelled
    EXPECT_FALSE(viewer.app.imageShown());
    ASSERT_EQ(ui.dialogs.size(), 1u);
    const auto& request = ui.dialogs[0];
    EXPECT_FALSE(request.save);
    EXPECT_EQ(request.owner, nullptr);
    ASSERT_EQ(request.filters.size(), 8u);
    EXPECT_EQ(request.filters[0].first, "All supported");
    EXPECT_EQ(request.filters[0].second, "*.bmp;*.cel;*.kvi;*.jpg;*.pcx;*.scl;*.sci;*.scn;*.tga");
    EXPECT_EQ(request.filters[6].first, "Screen Copy (SC?)");
    EXPECT_EQ(request.filters[6].second, "*.scl;*.sci;*.scn");
    EXPECT_EQ(request.filters[7].first, "CEL (CEL)");

    ui.nextChoice = dir.file("a.kvi");
    viewer.app.runCommand(kCmdOpen);
    EXPECT_TRUE(viewer.app.imageShown());
    EXPECT_EQ(viewer.title, "kvImage Coder API v0.4 [" + dir.file("a.kvi") + "]");
    EXPECT_TRUE(ui.messages.empty());
}

TEST(ViewerApp, FailedLoadKeepsThePreviousPicture) {
    kvtest::TempDir dir;
    ASSERT_TRUE(viewertest::writeKvi(dir.file("a.kvi"), 8, 6, 32, kvtest::makePhotoRgba(8, 6)));
    kvtest::writeFile(dir.file("bad.kvi"), Bytes{'k', 'v', 'I', 16, 0x81});
    kvtest::writeFile(dir.file("shot.scl"), Bytes(6912, 0));
    UiRecorder ui;
    Viewer viewer;
    ASSERT_TRUE(viewer.init());
    ASSERT_TRUE(viewer.app.open(dir.file("a.kvi")));
    const std::string title = viewer.title;
    std::string failed, why;
    viewer.app.onLoadFailed = [&](const std::string& path, const std::string& reason) { failed = path, why = reason; };
    const std::pair<std::string, std::string> cases[] = {{dir.file("bad.kvi"), "Read or write file error!"},
                                                         {dir.file("shot.scl"), "Unknown compression or organization structure!"}};
    for (const auto& [path, reason] : cases) {
        ui.messages.clear();
        EXPECT_FALSE(viewer.app.open(path));
        EXPECT_EQ(failed, path);
        EXPECT_EQ(why, reason);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, "Can't load image!");
        EXPECT_EQ(ui.messages[0].caption, "Error!");
        EXPECT_EQ(ui.messages[0].type, MB_ICONWARNING);
        EXPECT_EQ(ui.messages[0].owner, viewer.window.get());
        EXPECT_TRUE(viewer.app.imageShown());
        EXPECT_EQ(viewer.app.picture().width(), 8u);
        EXPECT_EQ(viewer.title, title);
    }
}

TEST(ViewerApp, BusySpansEachLoadAndSaveAndEndsBeforeItsBox) {
    kvtest::TempDir dir;
    ASSERT_TRUE(viewertest::writeKvi(dir.file("a.kvi"), 8, 6, 32, kvtest::makePhotoRgba(8, 6)));
    kvtest::writeFile(dir.file("bad.kvi"), Bytes{'k', 'v', 'I', 16, 0x81});
    UiRecorder ui;
    Viewer viewer;
    ASSERT_TRUE(viewer.init());
    // Each call with the number of boxes shown by then.
    std::vector<std::pair<bool, size_t>> calls;
    viewer.app.onBusy = [&](bool busy) { calls.emplace_back(busy, ui.messages.size()); };
    using Calls = std::vector<std::pair<bool, size_t>>;

    ASSERT_TRUE(viewer.app.open(dir.file("a.kvi")));
    EXPECT_EQ(calls, (Calls{{true, 0}, {false, 0}}));
    calls.clear();
    EXPECT_FALSE(viewer.app.open(dir.file("bad.kvi")));
    EXPECT_EQ(calls, (Calls{{true, 0}, {false, 0}}));
    EXPECT_EQ(ui.messages.size(), 1u);
    calls.clear();
    EXPECT_EQ(viewer.app.saveAsKvi(dir.file("out.kvi")), SaveResult::Ok);
    EXPECT_EQ(calls, (Calls{{true, 1}, {false, 1}}));
    calls.clear();
    EXPECT_NE(viewer.app.saveAsKvi(dir.file("none/out.kvi")), SaveResult::Ok);
    EXPECT_EQ(calls, (Calls{{true, 1}, {false, 1}}));
    EXPECT_EQ(ui.messages.size(), 2u);
}

TEST(ViewerApp, SaveBeforeAnyLoadDoesNothing) {
    kvtest::TempDir dir;
    UiRecorder ui;
    ui.nextChoice = dir.file("out.kvi");
    Viewer viewer;
    ASSERT_TRUE(viewer.init());
    EXPECT_TRUE(viewer.app.runCommand(kCmdSaveAsKvi));
    EXPECT_TRUE(ui.dialogs.empty());
    EXPECT_EQ(viewer.app.saveAsKvi(dir.file("out.kvi")), SaveResult::Ok);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.kvi")));
}

TEST(ViewerApp, SaveCommandAsksForAKviNameAndReportsFailures) {
    kvtest::TempDir dir;
    const Bytes original = opaque(kvtest::makePhotoRgba(8, 6));
    ASSERT_TRUE(viewertest::writeKvi(dir.file("a.kvi"), 8, 6, 32, original));
    UiRecorder ui;
    Viewer viewer;
    ASSERT_TRUE(viewer.init());
    ASSERT_TRUE(viewer.app.open(dir.file("a.kvi")));
    ui.nextChoice = dir.file("out.kvi");
    viewer.app.runCommand(kCmdSaveAsKvi);
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_TRUE(ui.dialogs[0].save);
    EXPECT_EQ(ui.dialogs[0].owner, viewer.window.get());
    ASSERT_EQ(ui.dialogs[0].filters.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].filters[0].first, "kvImage (KVI)");
    EXPECT_EQ(ui.dialogs[0].filters[0].second, "*.kvi");
    EXPECT_EQ(ui.dialogs[0].defaultExtension, "kvi");
    EXPECT_TRUE(std::filesystem::exists(dir.file("out.kvi")));
    EXPECT_TRUE(ui.messages.empty());

    // The shown picture is blue-green-red; the file declares "bgra" and holds exactly that, so
    // any reader that honours the declaration sees the picture's own colours.
    CKVIDECODER dec{};
    ASSERT_EQ(dec.OpenFile(dir.file("out.kvi").c_str()), 0u);
    ASSERT_EQ(dec.ReadHeader() | dec.ReadData() | dec.CloseFile() | dec.DecompressImage(), 0u);
    EXPECT_EQ(dec.colorDesc, KVI_COLOR_BGRA);
    Bytes unpacked(8 * 6 * 4);
    ASSERT_EQ(KVIDECODER_UnpackRgba(&dec, unpacked.data()), 0u);
    EXPECT_GT(kvtest::psnr(unpacked, original), 40.0);
    std::free(dec.image);
    std::free(dec.data);
    std::free(dec.work);
    EXPECT_TRUE(viewer.app.open(dir.file("out.kvi")));

    ui.nextChoice = dir.file("none/out.kvi");
    viewer.app.runCommand(kCmdSaveAsKvi);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Can't create output file!");
    EXPECT_EQ(ui.messages[0].caption, "Error!");
    EXPECT_EQ(ui.messages[0].type, MB_ICONERROR);
    EXPECT_EQ(ui.messages[0].owner, nullptr);
}

TEST(ViewerApp, HelpCommandsUseTheShellsOpenVerb) {
    UiRecorder ui;
    Viewer viewer(ViewerSettings{"/tmp", "maker.example"});
    EXPECT_TRUE(viewer.app.runCommand(kCmdMakerSite));
    EXPECT_TRUE(viewer.app.runCommand(kCmdProductPage));
    EXPECT_EQ(ui.opened, (std::vector<std::string>{"http://maker.example/",
                                                   "http://maker.example/ru/soft/zuzodivoveduzur/"}));
    EXPECT_TRUE(viewer.app.runCommand(kCmdAbout));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].type, MB_ICONINFORMATION);
    // Exit and Language belong to the window.
    EXPECT_FALSE(viewer.app.runCommand(kCmdExit));
    EXPECT_FALSE(viewer.app.runCommand(kCmdLanguage));
}

TEST(ViewerApp, FramesShowThePictureWhereTheViewPutsIt) {
    kvtest::TempDir dir;
    const Bytes rgba = opaque(kvtest::makePhotoRgba(40, 30, 5));
    ASSERT_TRUE(viewertest::writeKvi(dir.file("a.kvi"), 40, 30, 32, rgba));
    UiRecorder ui;
    Viewer viewer;
    viewer.app.drawFrame();  // before the device exists: nothing
    EXPECT_EQ(viewer.offscreen().presentCount(), 0u);
    ASSERT_TRUE(viewer.init());
    viewer.app.drawFrame();
    EXPECT_EQ(viewer.offscreen().pixel(80, 60) & 0xFFFFFF, 0u);  // nothing loaded: black
    ASSERT_TRUE(viewer.app.open(dir.file("a.kvi")));
    viewer.app.drawFrame();
    // Centred: (160 / 2 - 20, 120 / 2 - 15) = (60, 45).
    for (uint32_t y : {0u, 14u, 29u}) {
        for (uint32_t x : {0u, 17u, 39u}) {
            EXPECT_EQ(viewer.offscreen().pixel(60 + x, 45 + y) & 0xFFFFFF, rgbAt(rgba, 40, x, y));
        }
    }
    EXPECT_EQ(viewer.offscreen().pixel(59, 45) & 0xFFFFFF, 0u);
    viewer.app.keyDown(kVkLeft);
    viewer.app.drawFrame();
    EXPECT_EQ(viewer.offscreen().pixel(10, 45) & 0xFFFFFF, rgbAt(rgba, 40, 0, 0));
}

TEST(ViewerApp, PictureLargerThanTheScreenZoomedOutIsDrawnWhole) {
    kvtest::TempDir dir;
    // 200 x 100: blue with its right 40 columns red.
    Bytes rgba(200 * 100 * 4);
    for (uint32_t i = 0; i < 200 * 100; ++i) {
        const bool red = i % 200 >= 160;
        rgba[i * 4] = red ? 255 : 0;
        rgba[i * 4 + 2] = red ? 0 : 255;
        rgba[i * 4 + 3] = 255;
    }
    ASSERT_TRUE(viewertest::writeKvi(dir.file("wide.kvi"), 200, 100, 32, rgba));
    UiRecorder ui;
    Viewer viewer;
    ASSERT_TRUE(viewer.init());
    ASSERT_TRUE(viewer.app.open(dir.file("wide.kvi")));
    viewer.app.keyUp(kVkSubtract);
    viewer.app.keyUp(kVkSubtract);  // zoom 0.64: 128 x 64 at (16, 28)
    viewer.app.drawFrame();
    EXPECT_EQ(viewer.offscreen().pixel(20, 60) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(viewer.offscreen().pixel(16 + 122, 60) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(viewer.offscreen().pixel(16 + 130, 60) & 0xFFFFFF, 0u);
}

// A rotated picture turns about its own centre at every zoom: the window's centre keeps
// showing the white disc, and points around it show the quadrant the rotation brings there.
TEST(ViewerApp, RotationTurnsAboutThePictureCentreAtAnyZoom) {
    kvtest::TempDir dir;
    const uint32_t w = 120, h = 80;
    ASSERT_TRUE(viewertest::writeKvi(dir.file("q.kvi"), w, h, 32, quadrants(w, h)));
    for (const uint32_t zoomKey : {kVkSubtract, kVkAdd}) {
        UiRecorder ui;
        Viewer viewer;
        ASSERT_TRUE(viewer.init());
        ASSERT_TRUE(viewer.app.open(dir.file("q.kvi")));
        for (int i = 0; i < 4; ++i) viewer.app.keyUp(zoomKey);  // 0.8^4 or 1.25^4
        const double zoom = viewer.app.view().zoom;
        for (int i = 0; i < 3; ++i) viewer.app.keyDown(kVkDivide);  // 30 degrees
        viewer.app.drawFrame();
        const double angle = viewer.app.view().rotation;
        EXPECT_EQ(viewer.offscreen().pixel(kScreenW / 2, kScreenH / 2) & 0xFFFFFF, kWhite) << zoom;
        // A point inside each quadrant, well away from its borders whatever the zoom, and
        // where the window still shows it.
        const double reach = zoom < 1 ? 50.0 : 15.0;
        for (const auto& [dx, dy] : {std::pair{-1.0, -1.0}, {1.0, -1.0}, {-1.0, 1.0}, {1.0, 1.0}}) {
            const double px = dx * reach, py = dy * reach * 0.6;
            const double sx = kScreenW / 2.0 + zoom * (px * std::cos(angle) - py * std::sin(angle));
            const double sy = kScreenH / 2.0 + zoom * (px * std::sin(angle) + py * std::cos(angle));
            EXPECT_EQ(viewer.offscreen().pixel(int32_t(sx), int32_t(sy)) & 0xFFFFFF,
                      quadrantColour(w / 2.0 + px, h / 2.0 + py, w, h))
                << "zoom " << zoom << " point " << dx << "," << dy;
        }
    }
}

// The back buffer is the window: zoom 1 is one picture pixel to one window pixel, centred, in
// a wide window and in a tall one.
TEST(ViewerApp, BackBufferFollowsTheWindowSize) {
    kvtest::TempDir dir;
    const Bytes rgba = opaque(kvtest::makePhotoRgba(40, 30, 5));
    ASSERT_TRUE(viewertest::writeKvi(dir.file("a.kvi"), 40, 30, 32, rgba));
    UiRecorder ui;
    Viewer viewer;
    ASSERT_TRUE(viewer.init());
    ASSERT_TRUE(viewer.app.open(dir.file("a.kvi")));
    EXPECT_EQ(viewer.app.graphicsInitCount(), 1u);
    for (const auto& [w, h] : {std::pair{300u, 100u}, {90u, 260u}}) {
        viewer.offscreen().resize(int32_t(w), int32_t(h));
        ASSERT_EQ(viewer.app.resizeView(w, h), 0u);
        EXPECT_EQ(viewer.app.viewWidth(), w);
        viewer.app.drawFrame();
        const uint32_t left = w / 2 - 20, top = h / 2 - 15;
        uint32_t mismatches = 0;
        for (uint32_t y = 0; y < 30; ++y)
            for (uint32_t x = 0; x < 40; ++x)
                mismatches += (viewer.offscreen().pixel(int32_t(left + x), int32_t(top + y)) & 0xFFFFFF) != rgbAt(rgba, 40, x, y);
        EXPECT_EQ(mismatches, 0u) << w << "x" << h;
        EXPECT_EQ(viewer.offscreen().pixel(int32_t(left) - 1, int32_t(top)) & 0xFFFFFF, 0u);
        EXPECT_EQ(viewer.offscreen().pixel(int32_t(left) + 40, int32_t(top) + 29) & 0xFFFFFF, 0u);
    }
    EXPECT_EQ(viewer.app.graphicsInitCount(), 3u);
    EXPECT_EQ(viewer.app.resizeView(90, 260), 0u);  // the same size again: nothing to do
    EXPECT_EQ(viewer.app.graphicsInitCount(), 3u);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(ViewerApp, ConveniencesFitStatusAndDialogFolder) {
    kvtest::TempDir dir;
    ASSERT_TRUE(viewertest::writeKvi(dir.file("a.kvi"), 40, 30, 32, opaque(kvtest::makePhotoRgba(40, 30))));
    UiRecorder ui;
    Viewer viewer;
    ASSERT_TRUE(viewer.init());
    EXPECT_EQ(viewer.app.statusText(), "");
    ASSERT_TRUE(viewer.app.open(dir.file("a.kvi")));
    EXPECT_EQ(viewer.app.statusText(), "a.kvi \u2014 100%");
    viewer.app.keyUp(kVkAdd);
    EXPECT_EQ(viewer.app.statusText(), "a.kvi \u2014 125%");
    viewer.app.keyUp(kVkF);  // 160 x 120 over 40 x 30
    EXPECT_EQ(viewer.app.view().zoom, 4.0f);
    EXPECT_EQ(viewer.app.statusText(), "a.kvi \u2014 400%");
    viewer.app.keyUp(kVkReturn);
    EXPECT_EQ(viewer.app.view().zoom, 1.0f);

    // The wheel zooms about the pointer: the picture's top-left pixel, under it, stays put.
    viewer.app.zoomAt(2, 60, 45);
    EXPECT_EQ(viewer.app.view().place({kScreenW, kScreenH, 40, 30}).x, 60);
    // Panning far away stops with the picture still in the window.
    viewer.app.panBy(100000, 0);
    viewer.app.drawFrame();
    EXPECT_NE(viewer.offscreen().pixel(kScreenW - 1, 60) & 0xFFFFFF, 0u);

    viewer.app.runCommand(kCmdOpen);
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].initialPath, dir.file("a.kvi"));
}

TEST(ViewerApp, ManualOpensInTheBrowserOrSaysItIsMissing) {
    UiRecorder ui;
    ViewerSettings settings{"/tmp", "maker.example"};
    settings.manualPath = "/opt/kv/share/kvsuite/HLP/kvdoc.html";
    Viewer viewer(settings);
    EXPECT_TRUE(viewer.app.runCommand(kCmdManual));
    EXPECT_EQ(ui.opened, std::vector<std::string>{settings.manualPath});
    Viewer without(ViewerSettings{"/tmp", "maker.example"});
    without.app.runCommand(kCmdManual);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Can't open the manual HLP/kvdoc.html!");
}
