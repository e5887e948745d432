#include "theme.h"

#include "text_encoding.h"

#include <platform/textfile.h>
#include <platform/ui.h>

#include <tinyxml.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace kviewer {

namespace {

constexpr MenuItemKey kMenuItemKeys[] = {
    {"OPEN", 0, 0, kCmdOpen},       {"SAVEASKVI", 0, 1, kCmdSaveAsKvi},
    {"CLOSE", 0, 3, kCmdExit},      {"LANGUAGE", 1, 0, kCmdLanguage},
    {"ABOUT", 2, 0, kCmdAbout},     {"MANUAL", 2, 1, kCmdManual},
    {"WWW", 2, 3, kCmdMakerSite},   {"WEB", 2, 4, kCmdProductPage},
};

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

std::string format(const char* pattern, const std::string& value) {
    const int size = std::snprintf(nullptr, 0, pattern, value.c_str());
    std::string out(static_cast<std::size_t>(size), '\0');
    std::snprintf(out.data(), out.size() + 1, pattern, value.c_str());
    return out;
}

// UTF-8 text without a byte-order mark and with line feeds only, as the parser expects it.
std::string normaliseText(const std::string& bytes) {
    std::string text = toUtf8(bytes);
    if (startsWith(text, "\xEF\xBB\xBF")) text.erase(0, 3);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Only a small regular file of shallow nesting reaches the parser, which recurses once per
// level and would otherwise read a device or a FIFO without end.
bool loadDocument(const std::string& path, TiXmlDocument& doc) {
    std::string bytes;
    if (platform::readXmlFile(path, bytes) != platform::TextFileStatus::Ok) return false;
    doc.Parse(normaliseText(bytes).c_str(), nullptr, TIXML_ENCODING_UTF8);
    return !doc.Error() && doc.RootElement() != nullptr;
}

std::string attributeText(const TiXmlElement& element, const char* name, std::size_t maxChars) {
    const char* value = element.Attribute(name);
    return value ? cutToChars(value, maxChars) : std::string();
}

int32_t attributeInt(const TiXmlElement& element, const char* name) {
    int value = 0;
    return element.QueryIntAttribute(name, &value) == TIXML_SUCCESS ? value : 0;
}

ThemeInfo readDescription(const TiXmlElement& description) {
    ThemeInfo info;
    info.name = attributeText(description, "name", kThemeNameChars);
    info.countryId = attributeInt(description, "countyid");
    info.author = attributeText(description, "author", kThemeAuthorChars);
    info.versionMajor = attributeInt(description, "vmaj");
    info.versionMinor = attributeInt(description, "vmin");
    return info;
}

template <typename Rename>
void forEachKeyed(const TiXmlElement& menu, const char* elementName, Rename rename) {
    for (const TiXmlElement* e = menu.FirstChildElement(elementName); e;
         e = e->NextSiblingElement(elementName)) {
        const std::string key = attributeText(*e, "name", kThemeAttributeChars);
        if (!key.empty()) rename(key, attributeText(*e, "value", kThemeAttributeChars));
    }
}

bool isXmlName(const std::filesystem::path& file) {
    std::string ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".xml";
}

// The folder's theme files in name order, so that the list does not depend on the file system.
std::vector<std::filesystem::path> themeFiles(const std::string& languageDir) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(languageDir, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (isXmlName(it->path()) && !it->is_directory(ec)) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end(),
              [](const auto& a, const auto& b) { return a.filename() < b.filename(); });
    return files;
}

}  // namespace

int headerPosition(const std::string& key) {
    int position = -1;
    if (startsWith(key, "SETTINGS")) {
        position = 1;
    } else if (startsWith(key, "FILE")) {
        position = 0;
    }
    if (startsWith(key, "HELP")) position = 2;
    return position;
}

const MenuItemKey* findMenuItemKey(const std::string& key) {
    for (const auto& item : kMenuItemKeys) {
        if (key == item.key) return &item;
    }
    return nullptr;
}

void UnknownKeyReports::report(HWND owner, const std::string& message) {
    if (shown_ == kMaxKeyMessages) {
        ++heldBack_;
        return;
    }
    ++shown_;
    MessageBoxA(owner, message.c_str(), "Error!", MB_ICONWARNING);
}

void UnknownKeyReports::finish(HWND owner) {
    if (heldBack_ == 0) return;
    const std::string message = format("%s more menu keys not found!\nNot all menu items will be translate!",
                                       std::to_string(heldBack_));
    MessageBoxA(owner, message.c_str(), "Error!", MB_ICONWARNING);
    heldBack_ = 0;
}

void renameMenuHeader(MenuBar& menu, HWND owner, const std::string& key, const std::string& text,
                      UnknownKeyReports& reports) {
    const int position = headerPosition(key);
    if (position < 0) {
        reports.report(owner, format("Menu group %s not found!\nNot all menu items will be translate!", key));
        return;
    }
    setHeaderText(menu, static_cast<std::size_t>(position), text);
}

void renameMenuEntry(MenuBar& menu, const std::string& key, const std::string& text, UnknownKeyReports& reports) {
    const MenuItemKey* item = findMenuItemKey(key);
    if (!item) {
        reports.report(nullptr, format("Menu item %s not found!\nNot all menu items will be translate!", key));
        return;
    }
    setEntry(menu, item->menu, item->position, item->id, text);
}

void applyTheme(const std::string& path, MenuBar& menu, ThemeInfo& inUse, HWND owner) {
    TiXmlDocument doc;
    if (!loadDocument(path, doc)) {
        MessageBoxA(nullptr, "Can't find language theme file!\nSets default language.", "ERROR!",
                    MB_ICONWARNING);
        return;
    }
    const TiXmlElement* root = doc.FirstChildElement("LanguageTheme");
    const TiXmlElement* description = root ? root->FirstChildElement("Description") : nullptr;
    if (!description) return;
    inUse = readDescription(*description);

    const TiXmlElement* menuElement = root->FirstChildElement("Menu");
    if (!menuElement || !menuElement->FirstChildElement("MenuHeader")) return;
    UnknownKeyReports reports;
    forEachKeyed(*menuElement, "MenuHeader", [&](const std::string& key, const std::string& text) {
        renameMenuHeader(menu, owner, key, text, reports);
    });
    forEachKeyed(*menuElement, "MenuItem", [&](const std::string& key, const std::string& text) {
        renameMenuEntry(menu, key, text, reports);
    });
    reports.finish(owner);
}

bool readThemeDescription(const std::string& path, ThemeInfo& entry) {
    TiXmlDocument doc;
    if (!loadDocument(path, doc)) return false;
    const TiXmlElement* root = doc.FirstChildElement("LanguageTheme");
    const TiXmlElement* description = root ? root->FirstChildElement("Description") : nullptr;
    if (!description) return false;
    entry = readDescription(*description);
    return true;
}

LanguageList listThemes(const std::string& languageDir, int32_t countryInUse) {
    LanguageList list;
    for (const auto& file : themeFiles(languageDir)) {
        if (list.entries.size() == kThemeTableSize) break;
        ThemeInfo entry;
        if (readThemeDescription(file.string(), entry)) list.entries.push_back(entry);
    }
    for (std::size_t i = 0; i < list.entries.size(); ++i) {
        if (list.entries[i].countryId == countryInUse) list.selected = static_cast<int>(i);
    }
    if (list.selected >= 0) {
        const ThemeInfo& chosen = list.entries[static_cast<std::size_t>(list.selected)];
        list.nameText = chosen.name;
        list.authorText = chosen.author;
        list.versionText =
            std::to_string(chosen.versionMajor) + "." + std::to_string(chosen.versionMinor);
    }
    return list;
}

}  // namespace kviewer
