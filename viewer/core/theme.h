// Language themes: XML files in the "Language" folder below the start directory that
// translate the menu and describe themselves.
#pragma once

#include "menu_model.h"

#include <platform/wintypes.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kviewer {

// Field widths of the design, in characters (one less than the buffers that held them).
constexpr std::size_t kThemeNameChars = 63;
constexpr std::size_t kThemeAuthorChars = 127;
constexpr std::size_t kThemeAttributeChars = 127;
constexpr std::size_t kThemeTableSize = 128;

struct ThemeInfo {
    std::string name;
    int32_t countryId = 0;
    std::string author;
    int32_t versionMajor = 0;
    int32_t versionMinor = 0;
};

// Where a "MenuHeader" key lands: 0 File, 1 Settings, 2 Help; -1 when nowhere. Keys are
// compared by prefix ("FILEX" is File).
int headerPosition(const std::string& key);

struct MenuItemKey {
    const char* key;
    uint32_t menu;
    uint32_t position;
    uint32_t id;
};

// The "MenuItem" key table entry for a whole, case-sensitive key; null when unknown.
const MenuItemKey* findMenuItemKey(const std::string& key);

// Unknown keys of one theme file, each worth an "Error!" box. After kMaxKeyMessages boxes
// the rest are only counted, and finish shows one box with their number: a file of many
// bad keys must not become a flood of boxes.
class UnknownKeyReports {
public:
    static constexpr std::size_t kMaxKeyMessages = 10;

    void report(HWND owner, const std::string& message);
    void finish(HWND owner);

private:
    std::size_t shown_ = 0;
    std::size_t heldBack_ = 0;
};

// Rename steps of a theme. Unknown keys go to `reports`.
void renameMenuHeader(MenuBar& menu, HWND owner, const std::string& key, const std::string& text,
                      UnknownKeyReports& reports);
void renameMenuEntry(MenuBar& menu, const std::string& key, const std::string& text, UnknownKeyReports& reports);

// Applies the theme at `path` to `menu` and records its description in `inUse`. A file that
// cannot be read or parsed is reported ("ERROR!") and leaves both as they were; so is a
// file that is no regular file, holds more than 1 MiB or nests elements more than 64 deep.
void applyTheme(const std::string& path, MenuBar& menu, ThemeInfo& inUse, HWND owner);

// The theme's description, silently false when the file is no theme.
bool readThemeDescription(const std::string& path, ThemeInfo& entry);

// What the Language dialog shows.
struct LanguageList {
    std::vector<ThemeInfo> entries;  // at most kThemeTableSize, in list order
    int selected = -1;               // line of the theme in use, -1 for none
    std::string nameText = " ";      // statics 512, 514 and 516
    std::string authorText = " ";
    std::string versionText = " ";
};

// Reads every "*.xml" of `languageDir` in name order and selects the last entry whose
// country number is that of the theme in use.
LanguageList listThemes(const std::string& languageDir, int32_t countryInUse);

}  // namespace kviewer
