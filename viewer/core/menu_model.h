// The viewer's menu as plain data: the toolkit layer builds its menu bar from it, and the
// language themes rename its headers and entries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kviewer {

enum Command : uint32_t {
    kCmdOpen = 40000,
    kCmdSaveAsKvi = 40001,
    kCmdExit = 40002,
    kCmdLanguage = 40003,
    kCmdAbout = 40004,
    kCmdManual = 40005,
    kCmdMakerSite = 40006,
    kCmdProductPage = 40007,
};

struct MenuEntry {
    bool separator = false;
    uint32_t id = 0;
    std::string text;
};

struct MenuHeader {
    std::string text;
    std::vector<MenuEntry> entries;
};

struct MenuBar {
    std::vector<MenuHeader> headers;
};

// The built-in English menu.
MenuBar builtInMenu();

// Top-level entry at `position` takes `text`; its drop-down stays. False when there is none.
bool setHeaderText(MenuBar& menu, std::size_t position, const std::string& text);

// Entry `position` of drop-down `menuIndex` becomes the command `id` with `text`. False when
// that position does not exist (nothing is appended).
bool setEntry(MenuBar& menu, std::size_t menuIndex, std::size_t position, uint32_t id,
              const std::string& text);

}  // namespace kviewer
