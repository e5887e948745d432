#include "mainwindow.h"

#include "updatecheck.h"

#include <platform/qt_hooks.h>
#include <platform/ui.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>

#include <memory>

namespace wizard {

MainWindow::MainWindow(WizardApp& app) : app_(app) {
    setWindowTitle("kvPictureWizard");
    setObjectName("kvPictureWizard");
    buildViews();
    app_.showScriptError = [this](const std::string& luaMessage) { showScriptError(luaMessage); };
    app_.whileRunning = [] { QCoreApplication::processEvents(); };
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

void MainWindow::buildViews() {
    const auto view = [this](const char* name) {
        auto* edit = new QPlainTextEdit(this);
        edit->setObjectName(name);
        edit->setReadOnly(true);
        edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        return edit;
    };
    scriptView_ = view("script");
    messagesView_ = view("messages");
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(scriptView_);
    split->addWidget(messagesView_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    setCentralWidget(split);
}

void MainWindow::openScript(const std::string& path) {
    app_.scriptName = path.substr(0, kMaxNameLength);
    messagesView_->clear();
    showScript();
}

void MainWindow::showScript() {
    const QString path = QString::fromStdString(app_.scriptName);
    setWindowTitle(path.isEmpty() ? QString("kvPictureWizard")
                                  : QString("kvPictureWizard \u2014 ") + QFileInfo(path).fileName());
    QFile file(path);
    scriptView_->setPlainText(file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString());
}

void MainWindow::runScript() {
    showScript();
    messagesView_->clear();
    QPlainTextEdit* log = messagesView_;
    auto forward = std::make_shared<platform::MessageBoxHook>();
    *forward = platform::setMessageBoxHook([log, forward](HWND owner, const char* text, const char* caption, UINT type) {
        log->appendPlainText(QString::fromUtf8(caption) + ": " + QString::fromUtf8(text));
        return (*forward)(owner, text, caption, type);
    });
    setRunning(true);
    app_.run();
    setRunning(false);
    platform::setMessageBoxHook(*forward);
    if (closeAfterRun_) close();
}

void MainWindow::setRunning(bool running) {
    for (QAction* action : runActions_) action->setEnabled(!running);
    for (QAction* action : stopActions_) action->setEnabled(running);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (app_.running()) {
        closeAfterRun_ = true;
        app_.requestStop();
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

// The box the design shows, with Lua's own message (file, line, what) as its detail text.
void MainWindow::showScriptError(const std::string& luaMessage) {
    messagesView_->appendPlainText(QString("Error!: ") + kScriptErrorText + "\n" + QString::fromStdString(luaMessage));
    QMessageBox box(QMessageBox::Critical, "Error!", kScriptErrorText, QMessageBox::Ok, this);
    box.setDetailedText(QString::fromStdString(luaMessage));
    box.exec();
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
    runActions_.push_back(run);
    QAction* stop = menuBar()->addAction("&Остановить");
    stop->setData(int(kCmdStop));
    stop->setShortcut(Qt::Key_Escape);
    stop->setEnabled(false);
    connect(stop, &QAction::triggered, this, [this] { command(kCmdStop); });
    stopActions_.push_back(stop);

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
        return action;
    };
    add(QStyle::SP_DialogOpenButton, kCmdOpen);
    bar->addSeparator();
    runActions_.push_back(add(QStyle::SP_ArrowForward, kCmdRun));
    stopActions_.push_back(add(QStyle::SP_BrowserStop, kCmdStop));
    stopActions_.back()->setEnabled(false);
    add(QStyle::SP_FileDialogContentsView, kCmdViewer);
    add(QStyle::SP_MessageBoxQuestion, kCmdManual);
    add(QStyle::SP_BrowserReload, kCmdCheckUpdate);
}

void MainWindow::command(int id) {
    switch (id) {
    case kCmdOpen:
        if (app_.chooseScript()) openScript(app_.scriptName);
        break;
    case kCmdExit: close(); break;
    case kCmdRun:
        if (!app_.running()) runScript();
        break;
    case kCmdStop: app_.requestStop(); break;
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
