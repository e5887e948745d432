#include "viewer_fixture.h"

#include <kaldorgl/kaldorgl.h>
#include <kvicodec/kvicoder.h>

#include <cstdlib>
#include <utility>

namespace viewertest {

bool writeKvi(const std::string& path, uint32_t width, uint32_t height, uint8_t bits,
              const kvtest::Bytes& rgba, uint32_t colorDesc) {
    CKVICODER coder{};
    coder.Reset();
    coder.width = width;
    coder.height = height;
    coder.bitsPerPixel = bits;
    coder.colorDesc = colorDesc;
    coder.quality = 100;
    const bool ok = coder.CompressImage(rgba.data()) == 0 && coder.CreateFileA(path.c_str()) == 0 &&
                    coder.WriteHeader() == 0 && coder.WriteData() == 0;
    coder.CloseFile();
    std::free(coder.data);
    std::free(coder.work);
    return ok;
}

bool writeBmp(const std::string& path, uint32_t width, uint32_t height, const kvtest::Bytes& rgba) {
    CKaldorGL gl;
    return gl.SaveImageToFileBPP(path.c_str(), rgba.data(), width, height, KDGL_TYPE_32BIT) == 0;
}

kvtest::Bytes swapRedBlue(kvtest::Bytes pixels) {
    for (std::size_t i = 0; i + 3 < pixels.size(); i += 4) std::swap(pixels[i], pixels[i + 2]);
    return pixels;
}

UiRecorder::UiRecorder() {
    previousMessage_ = platform::setMessageBoxHook(
        [this](HWND owner, const char* text, const char* caption, UINT type) {
            messages.push_back({owner, text, caption, type});
            return IDOK;
        });
    previousDialog_ = platform::setFileDialogHook(
        [this](const platform::FileDialogRequest& request, std::string& chosen) {
            dialogs.push_back(request);
            if (nextChoice.empty()) return false;
            chosen = nextChoice;
            return true;
        });
    previousShell_ = platform::setShellOpenHook([this](const std::string& target, const std::string&) {
        opened.push_back(target);
        return true;
    });
}

UiRecorder::~UiRecorder() {
    platform::setMessageBoxHook(previousMessage_);
    platform::setFileDialogHook(previousDialog_);
    platform::setShellOpenHook(previousShell_);
}

}  // namespace viewertest
