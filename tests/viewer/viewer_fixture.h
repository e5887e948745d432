// Pictures and files the viewer suites build, and a recorder for the platform's UI hooks.
#pragma once

#include <kvicodec/kvitypes.h>

#include <platform/ui.h>
#include <testsupport.h>

#include <cstdint>
#include <string>
#include <vector>

namespace viewertest {

// Writes `rgba` (4 bytes a pixel) as a KVI file with the given depth and no coding mode, so
// the stored bytes are exactly the packed pixels.
bool writeKvi(const std::string& path, uint32_t width, uint32_t height, uint8_t bits,
              const kvtest::Bytes& rgba, uint32_t colorDesc = KVI_COLOR_RGBA);

// Writes `rgba` as a 32-bit BMP through the image library.
bool writeBmp(const std::string& path, uint32_t width, uint32_t height, const kvtest::Bytes& rgba);

// The same pixels with bytes 0 and 2 of every pixel exchanged.
kvtest::Bytes swapRedBlue(kvtest::Bytes pixels);

struct ShownMessage {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

// Replaces the message-box, file-dialog and shell hooks while it lives: messages and
// requests are recorded, dialogs answer with `nextChoice` (cancel when empty).
class UiRecorder {
public:
    UiRecorder();
    ~UiRecorder();
    UiRecorder(const UiRecorder&) = delete;
    UiRecorder& operator=(const UiRecorder&) = delete;

    std::vector<ShownMessage> messages;
    std::vector<platform::FileDialogRequest> dialogs;
    std::vector<std::string> opened;  // targets of the shell's open verb
    std::string nextChoice;

private:
    platform::MessageBoxHook previousMessage_;
    platform::FileDialogHook previousDialog_;
    platform::ShellOpenHook previousShell_;
};

}  // namespace viewertest
