#include "mainwindow.h"

#include "updatecheck.h"

#include <platform/qt_hooks.h>
#include <platform/ui.h>

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QToolBar>

namespace wizard {

MainWindow::MainWindow(WizardApp& app) : app_(app) {
    setWindowTitle("kvPictureWizard");
    setObjectName("kvPictureWizard");
    // The frame has no content of its own: an empty area in the button-shadow colour.
    auto* area = new QWidget(this);
    QPalette shadow = area->palette();
    shadow.setColor(QPalette::Window, shadow.color(QPalette::Dark));
    area->setPalette(shadow);
    area->setAutoFillBackground(true);
    setCentralWidget(area);
    setWindowIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    platform::qt::installQtHooks(this);
    buildMenu();
    buildToolbar();
    resize(500, 300);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.width() / 2 - 250, area.height() / 2 - 150);
    }
    startUpdateCheck(false);
}

MainWindow::~MainWindow() {
    if (updateWorker_.joinable()) updateWorker_.join();
    platform::qt::removeQtHooks();
}

void MainWindow::buildMenu() {
    const auto add = [this](QMenu* menu, const QString& text, int id) {
        QAction* action = menu->addAction(text);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { command(id); });
    };
    QMenu* file = menuBar()->addMenu("&Файл");
    add(file, "&Открыть", kCmdOpen);
    file->addSeparator();
    add(file, "В&ыйти", kCmdExit);

    QAction* run = menuBar()->addAction("&Выполнить");
    run->setData(int(kCmdRun));
    connect(run, &QAction::triggered, this, [this] { command(kCmdRun); });

    QMenu* help = menuBar()->addMenu("&Помощь");
    add(help, "&О программе", kCmdAbout);
    add(help, "Р&уководство", kCmdManual);
    help->addSeparator();
    add(help, "П&роверить обновление", kCmdCheckUpdate);
    help->addSeparator();
    add(help, "&kvPicture Wizard On-Line", kCmdOnline);
}

void MainWindow::buildToolbar() {
    QToolBar* bar = addToolBar("kvPictureWizard");
    bar->setObjectName("toolbar");
    bar->setProperty("controlId", kToolbarId);
    bar->setIconSize(QSize(20, 20));
    bar->setMovable(false);
    const auto add = [this, bar](QStyle::StandardPixmap icon, int id) {
        QAction* action = bar->addAction(style()->standardIcon(icon), QString());
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { command(id); });
    };
    add(QStyle::SP_DialogOpenButton, kCmdOpen);
    bar->addSeparator();
    add(QStyle::SP_ArrowForward, kCmdRun);
    add(QStyle::SP_FileDialogContentsView, kCmdViewer);
    add(QStyle::SP_MessageBoxQuestion, kCmdManual);
    add(QStyle::SP_BrowserReload, kCmdCheckUpdate);
}

void MainWindow::command(int id) {
    switch (id) {
    case kCmdOpen: app_.chooseScript(); break;
    case kCmdExit: close(); break;
    case kCmdRun: app_.run(); break;
    case kCmdViewer: app_.startViewer(); break;
    case kCmdAbout: app_.showAbout(); break;
    case kCmdManual: app_.openManual(); break;
    case kCmdCheckUpdate: startUpdateCheck(true); break;
    case kCmdOnline: app_.openOnlinePage(); break;
    default: break;
    }
}

void MainWindow::startUpdateCheck(bool withMessages) {
    if (updateRunning_.exchange(true)) return;
    if (updateWorker_.joinable()) updateWorker_.join();
    const std::string host = app_.config().updateHost;
    const uint32_t timeout = app_.config().updateTimeoutMs;
    updateWorker_ = std::thread([this, host, timeout, withMessages] {
        const UpdateInfo info = fetchUpdate(host, timeout);
        QMetaObject::invokeMethod(this, [this, info, host, withMessages] {
            updateRunning_ = false;
            reportUpdate(info, withMessages, host);
        }, Qt::QueuedConnection);
    });
}

}  // namespace wizard
