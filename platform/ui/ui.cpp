#include <platform/ui.h>

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <unistd.h>

extern char** environ;

namespace platform {
namespace {

int defaultMessageBox(HWND, const char* text, const char* caption, UINT type) {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    // Headless runs answer questions conservatively.
    const UINT buttons = type & 0x0F;
    return (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) ? IDNO : IDOK;
}

bool defaultFileDialog(const FileDialogRequest&, std::string&) { return false; }

// Starts a program detached from ours; the double fork keeps no zombie behind.
bool spawnDetached(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        pid_t grandchild = 0;
        const int rc = posix_spawnp(&grandchild, args[0], nullptr, nullptr, args.data(), environ);
        _exit(rc == 0 ? 0 : 127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool defaultShellOpen(const std::string& target, const std::string& arguments) {
    if (target.empty()) return false;
    // A program with arguments starts directly; anything else goes to the desktop's opener.
    if (!arguments.empty() && access(target.c_str(), X_OK) == 0) return spawnDetached({target, arguments});
    return spawnDetached({"xdg-open", target});
}

MessageBoxHook& messageBoxHook() {
    static MessageBoxHook hook = defaultMessageBox;
    return hook;
}
FileDialogHook& fileDialogHook() {
    static FileDialogHook hook = defaultFileDialog;
    return hook;
}
ShellOpenHook& shellOpenHook() {
    static ShellOpenHook hook = defaultShellOpen;
    return hook;
}

template <typename Hook>
Hook replace(Hook& slot, Hook next, Hook fallback) {
    Hook previous = std::move(slot);
    slot = next ? std::move(next) : std::move(fallback);
    return previous;
}

}  // namespace

MessageBoxHook setMessageBoxHook(MessageBoxHook hook) {
    return replace(messageBoxHook(), std::move(hook), MessageBoxHook(defaultMessageBox));
}
FileDialogHook setFileDialogHook(FileDialogHook hook) {
    return replace(fileDialogHook(), std::move(hook), FileDialogHook(defaultFileDialog));
}
ShellOpenHook setShellOpenHook(ShellOpenHook hook) {
    return replace(shellOpenHook(), std::move(hook), ShellOpenHook(defaultShellOpen));
}

bool showFileDialog(const FileDialogRequest& request, std::string& chosen) {
    return fileDialogHook()(request, chosen);
}

bool shellOpen(const std::string& target, const std::string& arguments) {
    return shellOpenHook()(target, arguments);
}

}  // namespace platform

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    return platform::messageBoxHook()(owner, text, caption, type);
}
