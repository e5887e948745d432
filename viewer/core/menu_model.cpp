#include "menu_model.h"

namespace kviewer {

namespace {

MenuEntry command(uint32_t id, const char* text) { return MenuEntry{false, id, text}; }
MenuEntry separator() { return MenuEntry{true, 0, {}}; }

}  // namespace

MenuBar builtInMenu() {
    MenuBar menu;
    menu.headers = {
        {"File", {command(kCmdOpen, "Open"), command(kCmdSaveAsKvi, "Save as kvI"), separator(),
                  command(kCmdExit, "Exit")}},
        {"Settings", {command(kCmdLanguage, "Language")}},
        {"Help", {command(kCmdAbout, "About"), command(kCmdManual, "Manual"), separator(),
                  command(kCmdMakerSite, "Orlen Works web site")}},
    };
    return menu;
}

bool setHeaderText(MenuBar& menu, std::size_t position, const std::string& text) {
    if (position >= menu.headers.size()) return false;
    menu.headers[position].text = text;
    return true;
}

bool setEntry(MenuBar& menu, std::size_t menuIndex, std::size_t position, uint32_t id,
              const std::string& text) {
    if (menuIndex >= menu.headers.size()) return false;
    auto& entries = menu.headers[menuIndex].entries;
    if (position >= entries.size()) return false;
    entries[position] = command(id, text.c_str());
    return true;
}

}  // namespace kviewer
