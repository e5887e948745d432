// The wizard's window: a frame with the Russian menu and the toolbar and no content of its
// own. Commands go to WizardApp; message boxes, file dialogs and the shell's open verb are
// routed to Qt through the platform layer's hooks while the window exists.
#pragma once

#include "wizardapp.h"

#include <QMainWindow>

#include <atomic>
#include <thread>

namespace wizard {

enum Command {
    kCmdOpen = 40001,
    kCmdExit = 40002,
    kCmdRun = 40003,
    kCmdViewer = 40004,
    kCmdAbout = 40005,
    kCmdManual = 40006,
    kCmdCheckUpdate = 40007,
    kCmdOnline = 40008,
};
constexpr int kToolbarId = 4997;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(WizardApp& app);
    ~MainWindow() override;

    // The update check runs on a worker thread so that neither start-up nor the window wait
    // for the network; its answer is shown here when it arrives. A check already running
    // makes this a no-op.
    void startUpdateCheck(bool withMessages);
    bool updateCheckRunning() const { return updateRunning_; }

    void command(int id);

private:
    void buildMenu();
    void buildToolbar();

    WizardApp& app_;
    std::thread updateWorker_;
    std::atomic<bool> updateRunning_{false};
};

}  // namespace wizard
