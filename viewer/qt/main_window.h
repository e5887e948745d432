// The main window: menu bar and toolbar carrying the command identifiers, the frame widget
// the pictures are drawn into, the status line, and the Language dialog.
#pragma once

#include "frame_widget.h"
#include "viewer_app.h"

#include <QMainWindow>
#include <QTimer>

#include <memory>

class QAction;
class QLabel;
class QToolBar;

class MainWindow : public QMainWindow {
public:
    explicit MainWindow(const kviewer::ViewerSettings& settings);

    kviewer::ViewerApp& app() { return *app_; }
    FrameWidget* frame() const { return frame_; }
    QToolBar* toolBar() const { return toolBar_; }
    QLabel* statusLabel() const { return status_; }

    // Creates the device at the frame's size and opens `picture` when it is not empty. False
    // when the device could not be made (the message has been shown).
    bool start(const std::string& picture);
    // Rebuilds the menu bar from the program's menu (after a theme was applied).
    void rebuildMenu();
    // Carries out a menu or toolbar command and draws a frame.
    void runCommand(uint32_t id);
    // Draws a frame and shows the file name and zoom in the status line.
    void drawFrame();
    // One frame once the events already queued are handled: a burst of mouse motion or
    // repeated keys costs one frame, not one each.
    void requestFrame();

    // The device follows the frame's size once it has rested this long: a resize burst makes
    // it once, at the size the burst ended at.
    static constexpr int kResizeSettleMs = 120;
    // How long the status line names a picture that could not be loaded and why.
    static constexpr int kLoadFailureShownMs = 15000;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QAction* commandAction(const QIcon& icon, const QString& text, uint32_t id);
    void buildToolBar();
    void connectFrame();
    void followFrameSize();
    void openLanguageDialog();
    void setContentsEnabled(bool enabled);

    FrameWidget* frame_;
    QToolBar* toolBar_ = nullptr;
    QLabel* status_ = nullptr;
    QTimer resizeSettle_;
    std::unique_ptr<kviewer::ViewerApp> app_;
    bool framePending_ = false;
};
