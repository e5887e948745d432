// User-interface calls that libraries and program logic make without knowing the toolkit.
// Each goes through a replaceable hook: the defaults suit headless use (message boxes to
// standard error, dialogs cancelled, the shell's open verb through xdg-open); the Qt programs
// install hooks that show real dialogs.
#pragma once

#include <platform/wintypes.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_ICONHAND = MB_ICONERROR;
constexpr UINT MB_ICONSTOP = MB_ICONERROR;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONWARNING = 0x00000030;
constexpr UINT MB_ICONEXCLAMATION = MB_ICONWARNING;
constexpr UINT MB_ICONINFORMATION = 0x00000040;
constexpr UINT MB_ICONASTERISK = MB_ICONINFORMATION;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows a message box and returns the button pressed (IDOK, IDYES, IDNO, ...).
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

namespace platform {

using MessageBoxHook = std::function<int(HWND owner, const char* text, const char* caption, UINT type)>;

// Installs a message-box hook and returns the previous one; an empty hook restores the
// default, which writes "CAPTION: text" to standard error and answers IDOK or IDNO.
MessageBoxHook setMessageBoxHook(MessageBoxHook hook);

struct FileDialogRequest {
    HWND owner = nullptr;
    bool save = false;
    std::string title;
    // (description, patterns) pairs such as ("Bitmap files (*.bmp)", "*.bmp").
    std::vector<std::pair<std::string, std::string>> filters;
    std::string defaultExtension;  // without the dot; added when the chosen name has none
    std::string initialPath;
};

// Returns true and sets `chosen` when the user picked a file; false when cancelled.
using FileDialogHook = std::function<bool(const FileDialogRequest& request, std::string& chosen)>;
FileDialogHook setFileDialogHook(FileDialogHook hook);
bool showFileDialog(const FileDialogRequest& request, std::string& chosen);

// The shell's "open" verb: opens a document, a web address or starts a program with
// arguments. Returns true when it could be started.
using ShellOpenHook = std::function<bool(const std::string& target, const std::string& arguments)>;
ShellOpenHook setShellOpenHook(ShellOpenHook hook);
bool shellOpen(const std::string& target, const std::string& arguments = {});

}  // namespace platform
