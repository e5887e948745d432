// The wizard's window: the Russian menu and the toolbar over the current script's text and
// the messages of its last run. Commands go to WizardApp; message boxes, file dialogs and
// the shell's open verb are routed to Qt through the platform layer's hooks while the
// window exists.
#pragma once

#include "wizardapp.h"

#include <QMainWindow>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

class QPlainTextEdit;

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
    kCmdStop = 40009,  // ends the running script (also Esc)
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

    // Makes `path` the current script, as Open does, and shows it.
    void openScript(const std::string& path);

    QPlainTextEdit* scriptView() const { return scriptView_; }
    QPlainTextEdit* messagesView() const { return messagesView_; }

private:
    void buildMenu();
    void buildToolbar();
    void buildViews();
    // The current script's name in the title and its text, as it is on disk now.
    void showScript();
    // Run, with every message box of the run also written to the messages view. While the
    // script runs the window keeps answering: Stop and Esc end the script, closing the
    // window ends it and then closes, Run waits.
    void runScript();
    void setRunning(bool running);
    void closeEvent(QCloseEvent* event) override;
    void showScriptError(const std::string& luaMessage);

    WizardApp& app_;
    QPlainTextEdit* scriptView_ = nullptr;
    QPlainTextEdit* messagesView_ = nullptr;
    std::vector<QAction*> runActions_;   // Run in the menu and on the toolbar
    std::vector<QAction*> stopActions_;  // Stop likewise
    bool closeAfterRun_ = false;
    std::thread updateWorker_;
    std::atomic<bool> updateRunning_{false};
};

}  // namespace wizard
