#include "wizardapp.h"

#include "scriptapi.h"

#include <platform/ui.h>

#include <filesystem>
#include <system_error>

namespace wizard {

std::string executableDirectory() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : self.parent_path().string();
}

std::string siteAddress(const std::string& host, const char* path) {
    return "http://" + host + path;
}

bool WizardApp::chooseScript() {
    platform::FileDialogRequest request;
    request.owner = state_.owner;
    request.filters = {{"kvPicture Wizard's Lua-script (lua)", "*.lua"}};
    request.defaultExtension = "lua";
    std::string chosen;
    if (!platform::showFileDialog(request, chosen)) return false;
    scriptName = chosen.substr(0, kMaxNameLength);
    return true;
}

RunOutcome WizardApp::run(std::optional<std::chrono::milliseconds> timeLimit) {
    lastErrorText.clear();
    if (scriptName.empty()) {
        MessageBoxA(state_.owner, "Скрипт не загружен!\nЗагрузите kvPicture Wizard LUA-скрипт!",
                    "Внимание!", MB_OK | MB_ICONINFORMATION);
        return RunOutcome::NoScript;
    }
    ScriptControl control;
    if (timeLimit) control.deadline = std::chrono::steady_clock::now() + *timeLimit;
    control.whileRunning = whileRunning;
    control_ = &control;
    const RunResult result = runScript(state_, scriptName, &control);
    control_ = nullptr;
    if (result.status == RunStatus::TimedOut) return RunOutcome::TimedOut;
    if (result.status == RunStatus::Stopped) {
        MessageBoxA(state_.owner, "Выполнение скрипта остановлено!", "Внимание!", MB_OK | MB_ICONINFORMATION);
        return RunOutcome::Stopped;
    }
    if (result.status == RunStatus::NoContext) {
        state_.showError("Error creating Lua context!");
        return RunOutcome::NoContext;
    }
    if (result.status == RunStatus::ScriptError) {
        lastErrorText = result.errorText;
        if (showScriptError) showScriptError(lastErrorText);
        else state_.showError(kScriptErrorText);
        return RunOutcome::ScriptError;
    }
    const int answer = MessageBoxA(state_.owner,
                                   "Выполнение скрипта завершено!\nПросмотреть результат?",
                                   "Все ОК", MB_YESNO | MB_ICONINFORMATION);
    if (answer == IDYES) platform::shellOpen(viewerPath(), savedPicturePath());
    return RunOutcome::Done;
}

void WizardApp::requestStop() {
    if (control_) control_->stop = true;
}

void WizardApp::startViewer() { platform::shellOpen(viewerPath()); }

void WizardApp::showAbout() {
    const std::string text = std::string("kvPicture Wizard\n") + kVersionText + "\n#" +
                             kBuildNumber + "\n\n" +
                             "Pictures made by Lua scripts: load, create, cut, mix, recolour,\n"
                             "filter and save them in sixteen image slots.";
    MessageBoxA(state_.owner, text.c_str(), "About...", MB_OK);
}

void WizardApp::openManual() {
    const std::string manual = findManual(executableDirectory());
    if (manual.empty() || !platform::shellOpen(manual))
        state_.showError(("Can't open the manual " + (manual.empty() ? "HLP/kvdoc.html" : manual) + "!").c_str());
}

std::string findManual(const std::string& programDir) {
    const std::filesystem::path folder = programDir;
    for (const std::filesystem::path& candidate :
         {folder / "HLP" / "kvdoc.html", folder / ".." / KV_MANUAL_INSTALL_DIR / "kvdoc.html"}) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) return candidate.lexically_normal().string();
    }
    return {};
}

void WizardApp::openOnlinePage() {
    platform::shellOpen(siteAddress(config_.updateHost, "/ru/devtools/kvpicturewizard/on-line/"));
}

std::string WizardApp::viewerPath() const {
    const std::string folder =
        config_.programDirectory.empty() ? executableDirectory() : config_.programDirectory;
    return (std::filesystem::path(folder) / kViewerName).string();
}

std::string WizardApp::savedPicturePath() const {
    if (state_.lastSavedName.empty()) return {};
    // A name the script gave as an absolute path stays as it is.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(state_.lastSavedName, error);
    return error ? state_.lastSavedName : absolute.string();
}

}  // namespace wizard
