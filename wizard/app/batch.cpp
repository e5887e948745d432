#include "batch.h"

#include "kvPictureWizard_help.h"

#include <platform/ui.h>

#include <cstdio>

namespace wizard {

bool isBatchInvocation(const std::vector<std::string>& args) {
    for (const std::string& arg : args)
        if (arg == "--run" || arg == "--yes") return true;
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

int runBatch(const std::vector<std::string>& args, const WizardConfig& config) {
    std::string script;
    bool yes = false;
    bool usageError = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--yes") yes = true;
        else if (args[i] == "--run" && i + 1 < args.size() && script.empty()) script = args[++i];
        else usageError = true;
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
    const RunOutcome outcome = app.run();
    if (outcome == RunOutcome::ScriptError)
        std::fprintf(stderr, "%s\n", app.lastErrorText.c_str());

    platform::setFileDialogHook(previousDialog);
    platform::setMessageBoxHook(previousBox);
    if (outcome != RunOutcome::Done) return 1;
    // The script got to its end, but something it asked for failed on the way.
    return errorBoxes > 0 ? 3 : 0;
}

}  // namespace wizard
