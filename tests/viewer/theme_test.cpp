#include "text_encoding.h"
#include "theme.h"

#include <platform/ui.h>
#include <testsupport.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace kviewer;

namespace {

struct Shown {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

// Records message boxes instead of showing them.
class MessageLog {
public:
    MessageLog() {
        previous_ = platform::setMessageBoxHook([this](HWND owner, const char* text,
                                                       const char* caption, UINT type) {
            shown.push_back({owner, text, caption, type});
            return IDOK;
        });
    }
    ~MessageLog() { platform::setMessageBoxHook(previous_); }
    std::vector<Shown> shown;

private:
    platform::MessageBoxHook previous_;
};

std::string description(const std::string& name, int country, const std::string& author = "A. N. Author",
                        int vmaj = 1, int vmin = 2) {
    return "<Description name=\"" + name + "\" countyid=\"" + std::to_string(country) +
           "\" author=\"" + author + "\" vmaj=\"" + std::to_string(vmaj) + "\" vmin=\"" +
           std::to_string(vmin) + "\"/>";
}

std::string theme(const std::string& menu, const std::string& desc = description("Test", 7)) {
    return "<?xml version=\"1.0\"?>\n<LanguageTheme>\n" + desc + "\n<Menu>\n" + menu +
           "</Menu>\n</LanguageTheme>\n";
}

std::string header(const std::string& key, const std::string& value) {
    return "<MenuHeader name=\"" + key + "\" value=\"" + value + "\"/>\n";
}

std::string item(const std::string& key, const std::string& value) {
    return "<MenuItem name=\"" + key + "\" value=\"" + value + "\"/>\n";
}

void writeText(const std::string& path, const std::string& text) {
    kvtest::writeFile(path, kvtest::Bytes(text.begin(), text.end()));
}

struct Applied {
    MenuBar menu = builtInMenu();
    ThemeInfo info;
};

Applied applyText(const kvtest::TempDir& dir, const std::string& text, HWND owner = nullptr) {
    const std::string path = dir.file("theme.xml");
    writeText(path, text);
    Applied applied;
    applyTheme(path, applied.menu, applied.info, owner);
    return applied;
}

std::vector<std::string> entryTexts(const MenuHeader& header) {
    std::vector<std::string> texts;
    for (const auto& e : header.entries) texts.push_back(e.separator ? "-" : e.text);
    return texts;
}

}  // namespace

TEST(Theme, BuiltInMenuHasTheCommandsInOrder) {
    const MenuBar menu = builtInMenu();
    ASSERT_EQ(menu.headers.size(), 3u);
    EXPECT_EQ(menu.headers[0].text, "File");
    EXPECT_EQ(entryTexts(menu.headers[0]),
              (std::vector<std::string>{"Open", "Save as kvI", "-", "Exit"}));
    EXPECT_EQ(menu.headers[0].entries[3].id, 40002u);
    EXPECT_EQ(entryTexts(menu.headers[2]),
              (std::vector<std::string>{"About", "Manual", "-", "Orlen Works web site"}));
    EXPECT_EQ(menu.headers[2].entries[3].id, 40006u);
}

TEST(Theme, TranslatesHeadersEntriesAndDescription) {
    kvtest::TempDir dir;
    MessageLog log;
    const Applied a = applyText(
        dir, theme(header("FILE", "Файл") + header("SETTINGS", "Настройки") + header("HELP", "Справка") +
                   item("OPEN", "Открыть") + item("CLOSE", "Выход") + item("LANGUAGE", "Язык") +
                   item("WWW", "Сайт")));
    EXPECT_TRUE(log.shown.empty());
    EXPECT_EQ(a.menu.headers[0].text, "Файл");
    EXPECT_EQ(a.menu.headers[1].text, "Настройки");
    EXPECT_EQ(a.menu.headers[2].text, "Справка");
    EXPECT_EQ(entryTexts(a.menu.headers[0]),
              (std::vector<std::string>{"Открыть", "Save as kvI", "-", "Выход"}));
    EXPECT_EQ(a.menu.headers[1].entries[0].text, "Язык");
    EXPECT_EQ(a.menu.headers[2].entries[3].text, "Сайт");
    EXPECT_EQ(a.menu.headers[2].entries[3].id, 40006u);
    EXPECT_EQ(a.info.name, "Test");
    EXPECT_EQ(a.info.countryId, 7);
    EXPECT_EQ(a.info.author, "A. N. Author");
    EXPECT_EQ(a.info.versionMajor, 1);
    EXPECT_EQ(a.info.versionMinor, 2);
}

TEST(Theme, HeadersMatchByPrefixItemsByWholeKey) {
    kvtest::TempDir dir;
    MessageLog log;
    HWND owner = reinterpret_cast<HWND>(0x1234);
    const Applied a = applyText(dir,
                                theme(header("FILEMENU", "F") + header("HELPME", "H") +
                                      header("VIEW", "V") + item("OPENFILE", "O") +
                                      item("open", "o") + item("ABOUT", "Info")),
                                owner);
    EXPECT_EQ(a.menu.headers[0].text, "F");
    EXPECT_EQ(a.menu.headers[2].text, "H");
    EXPECT_EQ(a.menu.headers[0].entries[0].text, "Open");
    EXPECT_EQ(a.menu.headers[2].entries[0].text, "Info");  // later keys still apply
    ASSERT_EQ(log.shown.size(), 3u);
    EXPECT_EQ(log.shown[0].text, "Menu group VIEW not found!\nNot all menu items will be translate!");
    EXPECT_EQ(log.shown[0].caption, "Error!");
    EXPECT_EQ(log.shown[0].owner, owner);
    EXPECT_EQ(log.shown[0].type, MB_ICONWARNING);
    EXPECT_EQ(log.shown[1].text, "Menu item OPENFILE not found!\nNot all menu items will be translate!");
    EXPECT_EQ(log.shown[1].owner, nullptr);
    EXPECT_EQ(log.shown[2].text, "Menu item open not found!\nNot all menu items will be translate!");
}

TEST(Theme, AtMostTenKeyMessagesThenOneSummary) {
    kvtest::TempDir dir;
    MessageLog log;
    HWND owner = reinterpret_cast<HWND>(0x1234);
    std::string menu = header("FILE", "F");
    for (int i = 0; i < 6; ++i) menu += header("BAD" + std::to_string(i), "x");
    for (int i = 0; i < 19; ++i) menu += item("NOPE" + std::to_string(i), "y");
    menu += item("ABOUT", "Info");
    const Applied a = applyText(dir, theme(menu), owner);
    EXPECT_EQ(a.menu.headers[0].text, "F");
    EXPECT_EQ(a.menu.headers[2].entries[0].text, "Info");  // keys after the last box still apply
    ASSERT_EQ(log.shown.size(), 11u);
    EXPECT_EQ(log.shown[5].text, "Menu group BAD5 not found!\nNot all menu items will be translate!");
    EXPECT_EQ(log.shown[9].text, "Menu item NOPE3 not found!\nNot all menu items will be translate!");
    EXPECT_EQ(log.shown[10].text, "15 more menu keys not found!\nNot all menu items will be translate!");
    EXPECT_EQ(log.shown[10].caption, "Error!");
    EXPECT_EQ(log.shown[10].owner, owner);
    EXPECT_EQ(log.shown[10].type, MB_ICONWARNING);

    // Exactly ten unknown keys need no summary; the count starts again with every file.
    for (int run = 0; run < 2; ++run) {
        MessageLog again;
        std::string ten = header("FILE", "F");
        for (int i = 0; i < 10; ++i) ten += item("NOPE" + std::to_string(i), "y");
        applyText(dir, theme(ten));
        EXPECT_EQ(again.shown.size(), 10u);
    }
}

TEST(Theme, HeaderPositionsFollowTheKeyTests) {
    EXPECT_EQ(headerPosition("FILE"), 0);
    EXPECT_EQ(headerPosition("SETTINGSX"), 1);
    EXPECT_EQ(headerPosition("HELP"), 2);
    EXPECT_EQ(headerPosition("FIL"), -1);
    EXPECT_EQ(headerPosition("file"), -1);
    EXPECT_EQ(headerPosition(""), -1);
}

TEST(Theme, ItemsWithoutAnyHeaderRenameNothing) {
    kvtest::TempDir dir;
    MessageLog log;
    const Applied a = applyText(dir, theme(item("OPEN", "Открыть") + item("ABOUT", "О программе")));
    EXPECT_EQ(a.menu.headers[0].entries[0].text, "Open");
    EXPECT_EQ(a.menu.headers[2].entries[0].text, "About");
    EXPECT_EQ(a.info.name, "Test");  // the description is still taken
    EXPECT_TRUE(log.shown.empty());
}

TEST(Theme, WebEntryHasNoPlaceInTheBuiltInHelpMenu) {
    kvtest::TempDir dir;
    MessageLog log;
    const Applied a = applyText(dir, theme(header("HELP", "Help") + item("WEB", "Product page")));
    EXPECT_EQ(a.menu.headers[2].entries.size(), 4u);
    for (const auto& e : a.menu.headers[2].entries) EXPECT_NE(e.id, 40007u);
    EXPECT_TRUE(log.shown.empty());
}

TEST(Theme, UnreadableFileKeepsTheMenuWithOneMessage) {
    kvtest::TempDir dir;
    for (const char* text : {"", "<LanguageTheme><Menu>", "not xml at all"}) {
        MessageLog log;
        const Applied a = applyText(dir, text);
        EXPECT_EQ(a.menu.headers[0].text, "File");
        ASSERT_EQ(log.shown.size(), 1u) << text;
        EXPECT_EQ(log.shown[0].text, "Can't find language theme file!\nSets default language.");
        EXPECT_EQ(log.shown[0].caption, "ERROR!");
        EXPECT_EQ(log.shown[0].type, MB_ICONWARNING);
    }
    MessageLog log;
    MenuBar menu = builtInMenu();
    ThemeInfo info;
    applyTheme(dir.file("missing.xml"), menu, info, nullptr);
    EXPECT_EQ(log.shown.size(), 1u);
}

// Theme files made to hurt: 100,000 nested elements (the parser would recurse once a level),
// megabytes of unknown keys, an endless device and a FIFO named like themes. Each is refused
// at reading, with the one unreadable-theme box and the English menu; the language list
// passes over them without waiting.
TEST(Theme, HostileFilesAreRefusedAtReading) {
    kvtest::TempDir dir;
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<Menu>";
    writeText(dir.file("deep.xml"), theme(deep));
    std::string unknown;
    while (unknown.size() <= 1024 * 1024) unknown += item("NOPE" + std::to_string(unknown.size()), "y");
    writeText(dir.file("keys.xml"), theme(header("FILE", "F") + unknown));
    ASSERT_EQ(::symlink("/dev/zero", dir.file("russian.xml").c_str()), 0);
    ASSERT_EQ(::mkfifo(dir.file("pipe.xml").c_str(), 0600), 0);
    writeText(dir.file("good.xml"), theme("", description("Good", 7)));
    for (const char* name : {"deep.xml", "keys.xml", "russian.xml", "pipe.xml"}) {
        SCOPED_TRACE(name);
        MessageLog log;
        MenuBar menu = builtInMenu();
        ThemeInfo info;
        applyTheme(dir.file(name), menu, info, nullptr);
        EXPECT_EQ(menu.headers[0].text, "File");
        ASSERT_EQ(log.shown.size(), 1u);
        EXPECT_EQ(log.shown[0].text, "Can't find language theme file!\nSets default language.");
        ThemeInfo description;
        EXPECT_FALSE(readThemeDescription(dir.file(name), description));
    }
    const LanguageList list = listThemes(dir.path().string(), 7);
    ASSERT_EQ(list.entries.size(), 1u);
    EXPECT_EQ(list.entries[0].name, "Good");
}

TEST(Theme, DocumentWithoutDescriptionStopsSilently) {
    kvtest::TempDir dir;
    MessageLog log;
    const Applied a = applyText(dir, "<LanguageTheme><Menu>" + header("FILE", "X") + "</Menu></LanguageTheme>");
    EXPECT_EQ(a.menu.headers[0].text, "File");
    EXPECT_TRUE(log.shown.empty());
}

TEST(Theme, ReadsOldCodePage1251Files) {
    kvtest::TempDir dir;
    MessageLog log;
    // "Файл" and "Открыть" in code page 1251, with the declaration such files carried.
    const std::string text = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<LanguageTheme>" +
                             description("\xD0\xF3\xF1\xF1\xEA\xE8\xE9", 7) + "<Menu>" +
                             header("FILE", "\xD4\xE0\xE9\xEB") +
                             item("OPEN", "\xCE\xF2\xEA\xF0\xFB\xF2\xFC") + "</Menu></LanguageTheme>";
    const Applied a = applyText(dir, text);
    EXPECT_EQ(a.info.name, "Русский");
    EXPECT_EQ(a.menu.headers[0].text, "Файл");
    EXPECT_EQ(a.menu.headers[0].entries[0].text, "Открыть");
    EXPECT_TRUE(log.shown.empty());
}

TEST(Theme, LongTextsAreCutToTheirFields) {
    kvtest::TempDir dir;
    MessageLog log;
    std::string longName;
    for (int i = 0; i < 70; ++i) longName += "Я";
    const std::string longAuthor(300, 'a');
    const std::string longValue(200, 'v');
    const Applied a = applyText(dir, theme(header("FILE", longValue) + item("OPEN", longValue),
                                           description(longName, 1, longAuthor)));
    EXPECT_EQ(a.info.name, cutToChars(longName, 63));
    EXPECT_EQ(a.info.name.size(), 63u * 2);
    EXPECT_EQ(a.info.author, std::string(127, 'a'));
    EXPECT_EQ(a.menu.headers[0].text, std::string(127, 'v'));
    EXPECT_EQ(a.menu.headers[0].entries[0].text, std::string(127, 'v'));
}

TEST(LanguageList, SelectsTheLastThemeOfTheCountryInUse) {
    kvtest::TempDir dir;
    writeText(dir.file("a.xml"), theme("", description("Alpha", 3, "First", 1, 0)));
    writeText(dir.file("b.xml"), theme("", description("Beta", 7, "Second", 2, 5)));
    writeText(dir.file("c.XML"), theme("", description("Gamma", 7, "Third", 3, 14)));
    writeText(dir.file("d.xml"), "<NotATheme/>");
    writeText(dir.file("e.txt"), theme("", description("Text", 7)));
    const LanguageList list = listThemes(dir.path().string(), 7);
    ASSERT_EQ(list.entries.size(), 3u);
    EXPECT_EQ(list.entries[0].name, "Alpha");
    EXPECT_EQ(list.selected, 2);
    EXPECT_EQ(list.nameText, "Gamma");
    EXPECT_EQ(list.authorText, "Third");
    EXPECT_EQ(list.versionText, "3.14");

    const LanguageList none = listThemes(dir.path().string(), 99);
    EXPECT_EQ(none.selected, -1);
    EXPECT_EQ(none.nameText, " ");
}

TEST(LanguageList, EmptyOrMissingFolderGivesBlankFields) {
    kvtest::TempDir dir;
    for (const std::string& folder : {dir.path().string(), dir.file("absent")}) {
        const LanguageList list = listThemes(folder, 0);
        EXPECT_TRUE(list.entries.empty());
        EXPECT_EQ(list.selected, -1);
        EXPECT_EQ(list.nameText, " ");
        EXPECT_EQ(list.authorText, " ");
        EXPECT_EQ(list.versionText, " ");
    }
}

TEST(LanguageList, TableHoldsAtMost128Themes) {
    kvtest::TempDir dir;
    for (int i = 0; i < 140; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "t%03d.xml", i);
        writeText(dir.file(name), theme("", description("T" + std::to_string(i), i)));
    }
    const LanguageList list = listThemes(dir.path().string(), 130);
    EXPECT_EQ(list.entries.size(), 128u);
    EXPECT_EQ(list.entries.back().name, "T127");
    EXPECT_EQ(list.selected, -1);
}
