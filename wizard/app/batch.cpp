#include "batch.h"

#include "kvPictureWizard_help.h"

#include <platform/ui.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

namespace wizard {

bool isBatchInvocation(const std::vector<std::string>& args) {
    for (const std::string& arg : args)
        if (arg == "--run" || arg == "--yes" || arg == "--timeout") return true;
    return false;
}

std::string batchMessageLine(const char* caption, const char* text) {
    std::string line = caption ? caption : "";
    line += ": ";
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == '\n') line += "\\n";
        else line += *p;
    }
    return line;
}

namespace {

// Seconds as a positive decimal number of at most a year, in milliseconds (at least 1).
std::optional<std::chrono::milliseconds> parseSeconds(const std::string& text) {
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(seconds > 0) || seconds > 366.0 * 24 * 3600) return std::nullopt;
    return std::chrono::milliseconds(std::max<int64_t>(1, int64_t(seconds * 1000)));
}

// Ends the process with exit status 4 when a script outlives its time limit by `grace`:
// what runs with Lua's hooks off (a finalizer, one long library call) cannot be stopped
// from inside.
class Watchdog {
public:
    Watchdog(std::chrono::milliseconds after, std::string message)
        : thread_([this, after, message = std::move(message)] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!done_.wait_for(lock, after, [this] { return finished_; })) {
                  std::fprintf(stderr, "%s\n", message.c_str());
                  std::fflush(nullptr);
                  std::_Exit(4);
              }
          }) {}
    ~Watchdog() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        done_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;  // last: it starts once the rest is ready
};

constexpr std::chrono::seconds kTimeoutGrace{2};

}  // namespace

int runBatch(const std::vector<std::string>& args, const WizardConfig& config) {
    std::string script;
    std::string timeoutText;
    bool yes = false;
    bool usageError = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--yes") yes = true;
        else if (args[i] == "--run" && i + 1 < args.size() && script.empty()) script = args[++i];
        else if (args[i] == "--timeout" && i + 1 < args.size() && timeoutText.empty()) timeoutText = args[++i];
        else usageError = true;
    }
    const std::optional<std::chrono::milliseconds> timeLimit = parseSeconds(timeoutText);
    if (!timeoutText.empty() && !timeLimit) {
        std::fprintf(stderr, "kvPictureWizard: --timeout takes a number of seconds above 0, not '%s'\n", timeoutText.c_str());
        usageError = true;
    }
    if (usageError || script.empty()) {
        std::fputs(kvhelp_kvPictureWizard::usage, stderr);
        return 2;
    }

    int errorBoxes = 0;
    const auto previousBox = platform::setMessageBoxHook(
        [yes, &errorBoxes](HWND, const char* text, const char* caption, UINT type) {
            if (caption && std::string(caption) == "Error!") ++errorBoxes;
            std::printf("%s\n", batchMessageLine(caption, text).c_str());
            std::fflush(stdout);
            const UINT buttons = type & 0x0F;
            if (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) return yes ? IDYES : IDNO;
            return IDOK;
        });
    const auto previousDialog = platform::setFileDialogHook({});  // cancels every dialog

    WizardApp app(config);
    app.scriptName = script;
    const std::string timedOut = "kvPictureWizard: " + script + ": stopped after " + timeoutText + " s (--timeout)";
    RunOutcome outcome;
    {
        std::optional<Watchdog> watchdog;
        if (timeLimit) watchdog.emplace(*timeLimit + kTimeoutGrace, timedOut);
        outcome = app.run(timeLimit);
    }
    if (outcome == RunOutcome::ScriptError)
        std::fprintf(stderr, "%s\n", app.lastErrorText.c_str());
    if (outcome == RunOutcome::TimedOut) std::fprintf(stderr, "%s\n", timedOut.c_str());

    platform::setFileDialogHook(previousDialog);
    platform::setMessageBoxHook(previousBox);
    if (outcome == RunOutcome::TimedOut) return 4;
    if (outcome != RunOutcome::Done) return 1;
    // The script got to its end, but something it asked for failed on the way.
    return errorBoxes > 0 ? 3 : 0;
}

}  // namespace wizard
