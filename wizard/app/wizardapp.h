// The wizard's commands as plain C++: everything the window's menu and toolbar do, and what
// batch mode runs, with all messages going through the platform layer's hooks.
#pragma once

#include "scriptapi.h"
#include "state.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace wizard {

constexpr const char* kBuildNumber = "90923";
constexpr const char* kVersionText = "version 0.32.2009.9";
constexpr const char* kViewerName = "kvIViewer";

// A host name under the reserved .invalid domain never resolves, so a copy nobody has
// configured sends no traffic anywhere.
constexpr const char* kDefaultUpdateHost = "update.kvpicturewizard.invalid";
constexpr uint32_t kDefaultUpdateTimeoutMs = 4000;

struct WizardConfig {
    std::string programDirectory;  // where kvIViewer lives; empty: the wizard's own folder
    std::string updateHost = kDefaultUpdateHost;
    uint32_t updateTimeoutMs = kDefaultUpdateTimeoutMs;
};

enum class RunOutcome { NoScript, NoContext, ScriptError, Done, Stopped, TimedOut };

constexpr const char* kScriptErrorText = "Error executing script!";

class WizardApp {
public:
    explicit WizardApp(WizardConfig config) : config_(std::move(config)) {}

    WizardState& state() { return state_; }
    const WizardConfig& config() const { return config_; }

    std::string scriptName;     // chosen by Open; empty until then
    std::string lastErrorText;  // Lua's message after ScriptError

    // Shows "Error executing script!" after a script error, given Lua's message. The default
    // is the plain message box; the window adds Lua's message as the box's detail text.
    std::function<void(const std::string& luaMessage)> showScriptError;

    // Open: asks for a script; true when one was chosen.
    bool chooseScript();
    // Run: the script in a fresh Lua state, then the offer to show the last saved picture.
    // The script ends early when requestStop is called (Stopped, with a message box) or
    // when it runs longer than `timeLimit` (TimedOut, without one: the caller reports it).
    RunOutcome run(std::optional<std::chrono::milliseconds> timeLimit = std::nullopt);
    // Ends the running script at its next check; does nothing when no script runs.
    void requestStop();
    bool running() const { return control_ != nullptr; }
    // Called about every 20 ms while a script runs: the window processes its events here.
    std::function<void()> whileRunning;
    // Viewer: starts kvIViewer with no picture.
    void startViewer();
    void showAbout();
    void openManual();
    void openOnlinePage();

    // The viewer program: in the configured program directory, else beside the wizard.
    std::string viewerPath() const;
    // The last saved picture as the viewer should be given it (absolute), or empty.
    std::string savedPicturePath() const;

private:
    WizardConfig config_;
    WizardState state_;
    ScriptControl* control_ = nullptr;  // of the script running now
};

// The folder of the running executable.
std::string executableDirectory();

// The manual: HLP/kvdoc.html in `programDir`, else in the installed data folder beside it;
// empty when there is neither.
std::string findManual(const std::string& programDir);

// "http://HOST" followed by the path, for pages on the update server.
std::string siteAddress(const std::string& host, const char* path);

}  // namespace wizard
