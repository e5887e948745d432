// The main window: menu bar and toolbar carrying the command identifiers, the frame widget
// the pictures are drawn into, and the Language dialog.
#pragma once

#include "frame_widget.h"
#include "viewer_app.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QToolBar;

class MainWindow : public QMainWindow {
public:
    explicit MainWindow(const kviewer::ViewerSettings& settings);

    kviewer::ViewerApp& app() { return *app_; }
    FrameWidget* frame() const { return frame_; }
    QToolBar* toolBar() const { return toolBar_; }

    // Rebuilds the menu bar from the program's menu (after a theme was applied).
    void rebuildMenu();
    // Carries out a menu or toolbar command and draws a frame.
    void runCommand(uint32_t id);
    void drawFrame() { app_->drawFrame(); }
    // One frame once the events already queued are handled: a burst of mouse motion or
    // repeated keys costs one frame, not one each.
    void requestFrame();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QAction* commandAction(const QIcon& icon, const QString& text, uint32_t id);
    void buildToolBar();
    void connectFrame();
    void openLanguageDialog();
    void setContentsEnabled(bool enabled);

    FrameWidget* frame_;
    QToolBar* toolBar_ = nullptr;
    std::unique_ptr<kviewer::ViewerApp> app_;
    bool framePending_ = false;
};
