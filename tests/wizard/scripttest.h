// Runs real Lua scripts against a WizardState and records every message box they show.
#pragma once

#include "scriptapi.h"
#include "state.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <platform/ui.h>

#include <string>
#include <vector>

namespace wiztest {

struct Box {
    std::string caption;
    std::string text;
    UINT type;
};

// What a script run left: pwMessage texts (how scripts report values) and all other boxes.
struct ScriptRun {
    wizard::RunStatus status;
    std::string errorText;
    std::vector<std::string> said;
    std::vector<Box> boxes;

    std::string errors() const {
        std::string all;
        for (const Box& box : boxes)
            if (box.caption == "Error!") all += box.text + "|";
        return all;
    }
    double number(size_t i = 0) const { return i < said.size() ? std::stod(said[i]) : -99999; }
};

class ScriptTest : public testing::Test {
protected:
    void SetUp() override {
        platform::setMessageBoxHook([this](HWND, const char* text, const char* caption, UINT type) {
            if (std::string(caption) == "Script message") current_.said.push_back(text);
            else current_.boxes.push_back({caption, text, type});
            return answer_;
        });
    }
    void TearDown() override {
        platform::setMessageBoxHook({});
        platform::setFileDialogHook({});
        platform::setShellOpenHook({});
    }

    ScriptRun script(const std::string& code) {
        current_ = ScriptRun{};
        const std::string path = dir_.file("script.lua");
        kvtest::writeFile(path, kvtest::Bytes(code.begin(), code.end()));
        const wizard::RunResult result = wizard::runScript(state_, path);
        current_.status = result.status;
        current_.errorText = result.errorText;
        return current_;
    }

    // Runs `expression` and returns what it evaluates to, as the script sees it.
    double eval(const std::string& expression) { return script("pwMessage(" + expression + ")").number(); }

    // A w x h picture in `slot` whose pixel (x, y) is R = x, G = y, B = x + y, A = 200.
    void makeRamp(int slot, int w, int h) {
        wizard::PixelBuffer pixels = wizard::allocatePixels(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t* p = pixels.get() + (y * w + x) * 4;
                p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = uint8_t(x + y), p[3] = 200;
            }
        state_.slots.replace(slot, std::move(pixels), w, h);
    }

    const uint8_t* pixel(int slot, int x, int y) {
        const wizard::ImageSlot& s = state_.slots[slot];
        return s.data + (y * s.width + x) * 4;
    }

    kvtest::TempDir dir_;
    wizard::WizardState state_;
    ScriptRun current_;
    int answer_ = IDOK;
};

}  // namespace wiztest
