// What the script functions share: the slot table, the remembered file names and the window
// that owns their message boxes. One object lives as long as the program; every script run
// gets a fresh Lua state over the same object.
#pragma once

#include "slots.h"

#include <platform/wintypes.h>

#include <cstdint>
#include <string>

namespace wizard {

// Names are kept to the 259 characters a MAX_PATH buffer holds.
constexpr size_t kMaxNameLength = 259;

struct WizardState {
    SlotTable slots;
    std::string lastSavedName;  // set by pwSaveImage; offered to the viewer after a run
    std::string dialogName;     // shared by pwGetImageFileName and pwGetSaveFileName
    HWND owner = nullptr;       // owner of every message box

    // Message box with the caption "Error!" and the error icon.
    void showError(const char* text) const;

    // The check every source slot goes through: a script slot holding a picture of non-zero
    // size. Shows the reason and returns false otherwise.
    bool checkSource(int64_t slot) const;
    // A slot a function may fill: 0-15, else "Wrong image number!".
    bool checkDestination(int64_t slot) const;
    // A new picture buffer for destination `slot`. On failure the slot is left empty, as a
    // refilled slot always is, `failureText` is shown and null returned.
    PixelBuffer allocateFor(int slot, int64_t width, int64_t height,
                            const char* failureText = "Memory allocation error!");
};

}  // namespace wizard
