// kvIViewer: shows a picture through the engine's graphics device and saves it as KVI.
#include "headless.h"
#include "launch.h"
#include "main_window.h"
#include "options.h"

#include <platform/qt_hooks.h>
#include <platform/qt_termination.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

namespace {

std::string environmentOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The executable's folder, or the installed data folder when the executable has no themes
// beside it (an installed copy); the manual likewise.
kviewer::ViewerSettings settingsFor(const QApplication& app, const kviewer::ViewerOptions& options) {
    const QString exeDir = app.applicationDirPath();
    const QString dataDir = QDir::cleanPath(exeDir + "/../" KVIVIEWER_DATA_SUBDIR);
    kviewer::ViewerSettings settings;
    settings.startDir = kviewer::findStartDir(localPath(exeDir), localPath(dataDir));
    settings.makerWebHost = environmentOr("KVIVIEWER_WEB_HOST", KVIVIEWER_WEB_HOST);
    if (!options.language.empty()) settings.theme = options.language;
    for (const QString& manual : {exeDir + "/HLP/kvdoc.html", exeDir + "/../" KV_MANUAL_INSTALL_DIR "/kvdoc.html"}) {
        if (QFileInfo(manual).isFile()) {
            settings.manualPath = localPath(QDir::cleanPath(manual));
            break;
        }
    }
    return settings;
}

// Qt's own texts (file dialogs, Yes and No) in the language of the theme applied at start,
// which a theme file is named after ("russian"), where Qt has that translation.
void translateQtTexts(const std::string& theme) {
    static QTranslator translator;
    for (int code = QLocale::AnyLanguage + 1; code <= QLocale::LastLanguage; ++code) {
        const auto language = static_cast<QLocale::Language>(code);
        if (QLocale::languageToString(language).compare(QString::fromStdString(theme), Qt::CaseInsensitive) != 0) continue;
        if (translator.load(QLocale(language), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(&translator);
        return;
    }
}

int runWindow(int& argc, char** argv, const kviewer::ViewerOptions& options) {
    platform::qt::catchTerminationSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName("kvIViewer");
    QApplication::setDesktopFileName("kvIViewer");
    platform::qt::quitOnTerminationSignals(app);
    platform::qt::installQtHooks();

    const kviewer::ViewerSettings settings = settingsFor(app, options);
    MainWindow window(settings);
    // Inside the event loop, so that a signal during a start-up box, or a failed start, ends
    // it like anything else (a quit before the loop runs is lost).
    QTimer::singleShot(0, &window, [&window, &options, &settings] {
        window.app().applyStartTheme();
        if (!window.app().themeInUse().name.empty()) translateQtTexts(settings.theme);
        window.rebuildMenu();
        window.show();
        if (!window.start(options.picture)) QCoreApplication::quit();
    });
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
