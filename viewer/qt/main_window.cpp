#include "main_window.h"

#include "language_dialog.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

namespace {

QString utf8(const std::string& text) { return QString::fromUtf8(text.c_str()); }

}  // namespace

MainWindow::MainWindow(const kviewer::ViewerSettings& settings)
    : frame_(new FrameWidget(this)),
      app_(std::make_unique<kviewer::ViewerApp>(frame_, settings)) {
    setObjectName("kvICoderAPI");
    setWindowTitle(kviewer::kViewerTitle);
    setWindowIcon(QIcon(":/kvIViewer.png"));
    setCentralWidget(frame_);
    buildToolBar();
    connectFrame();
    app_->onTitleChanged = [this](const std::string& title) { setWindowTitle(utf8(title)); };
    rebuildMenu();
    // Two thirds of the screen, the picture area in the screen's proportions.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize area = screen->size() * 2 / 3;
        resize(area + QSize(0, menuBar()->sizeHint().height() + toolBar_->sizeHint().height()));
    }
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
                menu->addAction(commandAction(QIcon(), utf8(entry.text), entry.id));
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
    frame_->onWheel = [this](int notches) {
        for (; notches > 0; --notches) app_->view().zoomIn();
        for (; notches < 0; ++notches) app_->view().zoomOut();
        requestFrame();
    };
    frame_->onDrag = [this](QPoint delta) {
        // The frame is the screen-sized back buffer scaled into the widget.
        const QRect shown = frame_->frameRect();
        const auto toScreen = [](int d, uint32_t screen, int client) {
            return client > 0 ? static_cast<int32_t>(static_cast<int64_t>(d) * screen / client) : 0;
        };
        app_->view().panBy(toScreen(delta.x(), app_->screenWidth(), shown.width()),
                           toScreen(delta.y(), app_->screenHeight(), shown.height()));
        requestFrame();
    };
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

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    requestFrame();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    frame_->setFocus();
    drawFrame();
}
