#include "qtsupport.h"

#include <platform/ui.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QProcess>
#include <QSettings>
#include <QTranslator>

#include <algorithm>
#include <memory>

namespace wizard {

WizardConfig loadConfig() {
    const QSettings settings("Orlen Works", "kvPictureWizard");
    WizardConfig config;
    config.programDirectory = settings.value("Default").toString().toStdString();
    config.updateHost = settings.value("UpdateHost", kDefaultUpdateHost).toString().toStdString();
    const uint32_t timeout = settings.value("UpdateTimeoutMs", kDefaultUpdateTimeoutMs).toUInt();
    config.updateTimeoutMs = std::clamp<uint32_t>(timeout, 100, 30000);
    return config;
}

void translateQtTexts() {
    static QTranslator translator;
    if (translator.load(QLocale(QLocale::Russian), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&translator);
}

void installProgramStarter() {
    auto next = std::make_shared<platform::ShellOpenHook>(platform::setShellOpenHook({}));
    platform::setShellOpenHook([next](const std::string& target, const std::string& arguments) {
        const QFileInfo program(QString::fromStdString(target));
        if (!program.isFile() || !program.isExecutable()) return (*next)(target, arguments);
        QStringList list;
        if (!arguments.empty()) list << QString::fromStdString(arguments);
        return QProcess::startDetached(program.absoluteFilePath(), list, program.absolutePath());
    });
}

}  // namespace wizard
