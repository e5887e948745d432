// kvIViewer: shows a picture through the engine's graphics device and saves it as KVI.
#include "headless.h"
#include "launch.h"
#include "main_window.h"
#include "options.h"

#include <platform/qt_hooks.h>

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

namespace {

std::string environmentOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

// The executable's folder, or the installed data folder when the executable has no themes
// beside it (an installed copy).
kviewer::ViewerSettings settingsFor(const QApplication& app, const kviewer::ViewerOptions& options) {
    const QString exeDir = app.applicationDirPath();
    const QString dataDir = QDir::cleanPath(exeDir + "/../" KVIVIEWER_DATA_SUBDIR);
    kviewer::ViewerSettings settings;
    settings.startDir = kviewer::findStartDir(QFile::encodeName(exeDir).toStdString(),
                                              QFile::encodeName(dataDir).toStdString());
    settings.makerWebHost = environmentOr("KVIVIEWER_WEB_HOST", KVIVIEWER_WEB_HOST);
    if (!options.language.empty()) settings.theme = options.language;
    return settings;
}

int runWindow(int& argc, char** argv, const kviewer::ViewerOptions& options) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("kvIViewer");
    QApplication::setDesktopFileName("kvIViewer");
    platform::qt::installQtHooks();

    MainWindow window(settingsFor(app, options));
    window.app().applyStartTheme();
    window.rebuildMenu();
    window.show();

    const QScreen* primary = QGuiApplication::primaryScreen();
    const QSize screen = primary ? primary->size() : QSize(1024, 768);
    if (window.app().initGraphics(static_cast<uint32_t>(screen.width()),
                                  static_cast<uint32_t>(screen.height())) != 0) {
        return 0;
    }
    if (!options.picture.empty()) window.app().open(options.picture);
    window.drawFrame();
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    const kviewer::ViewerOptions options =
        kviewer::parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    switch (options.mode) {
    case kviewer::ViewerOptions::Mode::Screenshot: return kviewer::runScreenshot(options);
    case kviewer::ViewerOptions::Mode::Help: std::fputs(kviewer::helpText(), stdout); return 0;
    case kviewer::ViewerOptions::Mode::Version: std::puts(kviewer::versionText().c_str()); return 0;
    case kviewer::ViewerOptions::Mode::Error:
        std::fprintf(stderr, "kvIViewer: %s\n%s", options.error.c_str(), kviewer::usageText());
        return 2;
    case kviewer::ViewerOptions::Mode::Window: break;
    }
    return runWindow(argc, argv, options);
}
