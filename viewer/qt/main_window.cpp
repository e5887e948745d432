#include "main_window.h"

#include "language_dialog.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

namespace {

QString utf8(const std::string& text) { return QString::fromUtf8(text.c_str()); }

// Keys of the menu entries, whatever a theme calls them.
QKeySequence shortcutOf(uint32_t id) {
    switch (id) {
    case kviewer::kCmdOpen: return QKeySequence::Open;
    case kviewer::kCmdSaveAsKvi: return QKeySequence::Save;
    case kviewer::kCmdManual: return QKeySequence::HelpContents;
    default: return {};
    }
}

}  // namespace

MainWindow::MainWindow(const kviewer::ViewerSettings& settings)
    : frame_(new FrameWidget(this)),
      app_(std::make_unique<kviewer::ViewerApp>(frame_, settings)) {
    setObjectName("kvICoderAPI");
    setWindowTitle(kviewer::kViewerTitle);
    setWindowIcon(QIcon(":/kvIViewer.png"));
    setCentralWidget(frame_);
    buildToolBar();
    status_ = new QLabel(this);
    statusBar()->addPermanentWidget(status_);
    connectFrame();
    app_->onTitleChanged = [this](const std::string& title) { setWindowTitle(utf8(title)); };
    // The box says that a picture failed; the status line says which and why, for a while.
    app_->onLoadFailed = [this](const std::string& path, const std::string& why) {
        statusBar()->showMessage(QFile::decodeName(QByteArray::fromStdString(path)) + ": " + utf8(why), kLoadFailureShownMs);
    };
    app_->onBusy = [](bool busy) {
        if (busy)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QGuiApplication::restoreOverrideCursor();
    };
    rebuildMenu();
    resizeSettle_.setSingleShot(true);
    resizeSettle_.setInterval(kResizeSettleMs);
    connect(&resizeSettle_, &QTimer::timeout, this, [this] { followFrameSize(); });
    // Two thirds of the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) resize(screen->size() * 2 / 3);
}

bool MainWindow::start(const std::string& picture) {
    if (app_->initGraphics(uint32_t(frame_->clientWidth()), uint32_t(frame_->clientHeight())) != 0) return false;
    if (!picture.empty()) app_->open(picture);
    drawFrame();
    return true;
}

void MainWindow::followFrameSize() {
    if (app_->viewWidth() == 0) return;  // not started, or the device could not be made
    app_->resizeView(uint32_t(frame_->clientWidth()), uint32_t(frame_->clientHeight()));
    drawFrame();
}

void MainWindow::drawFrame() {
    app_->drawFrame();
    status_->setText(utf8(app_->statusText()));
}

QAction* MainWindow::commandAction(const QIcon& icon, const QString& text, uint32_t id) {
    auto* action = new QAction(icon, text, this);
    action->setObjectName(QString::number(id));
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
    return action;
}

void MainWindow::rebuildMenu() {
    menuBar()->clear();
    for (const auto& header : app_->menu().headers) {
        QMenu* menu = menuBar()->addMenu(utf8(header.text));
        for (const auto& entry : header.entries) {
            if (entry.separator) {
                menu->addSeparator();
            } else {
                QAction* action = commandAction(QIcon(), utf8(entry.text), entry.id);
                action->setShortcut(shortcutOf(entry.id));
                menu->addAction(action);
            }
        }
    }
}

void MainWindow::buildToolBar() {
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName("4999");
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setIconSize(QSize(20, 20));
    toolBar_->toggleViewAction()->setVisible(false);
    toolBar_->addAction(
        commandAction(style()->standardIcon(QStyle::SP_DialogOpenButton), "Open", kviewer::kCmdOpen));
    toolBar_->addAction(commandAction(style()->standardIcon(QStyle::SP_DialogSaveButton),
                                      "Save as kvI", kviewer::kCmdSaveAsKvi));
    addToolBar(Qt::TopToolBarArea, toolBar_);
}

void MainWindow::connectFrame() {
    frame_->onKeyDown = [this](uint32_t vk) {
        app_->keyDown(vk);
        requestFrame();
    };
    frame_->onKeyUp = [this](uint32_t vk) {
        app_->keyUp(vk);
        requestFrame();
    };
    // The wheel zooms with or without Ctrl, about the point under the pointer.
    frame_->onWheel = [this](int notches, QPointF at) {
        app_->zoomAt(notches, at.x(), at.y());
        requestFrame();
    };
    frame_->onDrag = [this](QPointF delta) {
        app_->panBy(static_cast<int32_t>(delta.x()), static_cast<int32_t>(delta.y()));
        requestFrame();
    };
    frame_->onResized = [this] { resizeSettle_.start(); };
    frame_->onDrop = [this](const std::string& path) {
        app_->open(path);
        drawFrame();
    };
}

void MainWindow::requestFrame() {
    if (framePending_) return;
    framePending_ = true;
    QTimer::singleShot(0, this, [this] {
        framePending_ = false;
        drawFrame();
    });
}

void MainWindow::runCommand(uint32_t id) {
    if (!app_->runCommand(id)) {
        if (id == kviewer::kCmdExit) {
            close();
            return;
        }
        if (id == kviewer::kCmdLanguage) openLanguageDialog();
    }
    drawFrame();
}

// Modeless; the main window takes no input until the dialog is closed.
void MainWindow::openLanguageDialog() {
    setContentsEnabled(false);
    auto* dialog = new LanguageDialog(this, app_->languageDir(), app_->themeInUse().countryId);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, this, [this] {
        setContentsEnabled(true);
        frame_->setFocus();
    });
    dialog->show();
    if (const QScreen* screen = dialog->screen()) {
        dialog->move(screen->geometry().center() - dialog->rect().center());
    }
}

void MainWindow::setContentsEnabled(bool enabled) {
    menuBar()->setEnabled(enabled);
    toolBar_->setEnabled(enabled);
    frame_->setEnabled(enabled);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    frame_->setFocus();
    drawFrame();
}
