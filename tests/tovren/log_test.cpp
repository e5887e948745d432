#include <tovren/tovren.h>

#include "log_format.h"

#include <platform/ui.h>
#include <testsupport.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

std::string readText(const std::string& path) {
    const kvtest::Bytes bytes = kvtest::readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

const std::string kHtmlHeader =
    "<html>\n<head><title>Debug logger file</title></head>\n"
    "<body text=\"BLACK\" bgcolor=\"WHITE\">\n<font size=\"2\" face=\"Verdana\">\n";

class DebugLog : public ::testing::Test {
protected:
    std::string init(int flags) {
        const std::string path = dir.file("log.html");
        EXPECT_TRUE(TOVREN_DEBUG_Init(path.c_str(), flags));
        return path;
    }
    kvtest::TempDir dir;
};

TEST_F(DebugLog, HtmlModeWritesHeaderConvertsAndClosesWithFooter) {
    const std::string path = init(TOVREN_DEBUG_HTML);
    EXPECT_EQ(readText(path), kHtmlHeader);
    EXPECT_TRUE(TOVREN_DEBUG_Print("a\nb~c"));
    EXPECT_TRUE(TOVREN_DEBUG_Println("x=%d", 5));
    EXPECT_TRUE(TOVREN_DEBUG_Close());
    EXPECT_EQ(readText(path), kHtmlHeader + "a<br />b%c" + "\nx=5<br />" + "</font>\n</body></html>\n");
    // The settings survive Close: later writes append after the footer.
    EXPECT_TRUE(TOVREN_DEBUG_Print("late"));
    EXPECT_TRUE(readText(path).ends_with("</body></html>\nlate"));
}

TEST_F(DebugLog, PlainTextModeHidesTildeSectionsAndEndsLinesWithCrLf) {
    const std::string path = init(TOVREN_DEBUG_TEXT);
    EXPECT_EQ(readText(path), "");
    EXPECT_TRUE(TOVREN_DEBUG_Print("x~hidden~y|"));
    EXPECT_TRUE(TOVREN_DEBUG_Print("plain|"));
    EXPECT_TRUE(TOVREN_DEBUG_Print("50~"));
    EXPECT_TRUE(TOVREN_DEBUG_Println("line %s", "one"));
    EXPECT_TRUE(TOVREN_DEBUG_Close());
    EXPECT_EQ(readText(path), "x~y|plain|50\nline one\r\n");
}

TEST_F(DebugLog, HtmlWinsOverPlainText) {
    const std::string path = init(TOVREN_DEBUG_HTML | TOVREN_DEBUG_TEXT);
    TOVREN_DEBUG_Print("~");
    EXPECT_EQ(readText(path), kHtmlHeader + "%");
}

TEST_F(DebugLog, SectionsInHtml) {
    const std::string path = init(TOVREN_DEBUG_HTML);
    EXPECT_TRUE(TOVREN_DEBUG_CreateSection("Init %d", 2));
    EXPECT_TRUE(TOVREN_DEBUG_CloseSection());
    const std::string black =
        "<tr><td bgcolor=\"BLACK\" width=\"1\"></td><td bgcolor=\"BLACK\"></td>"
        "<td bgcolor=\"BLACK\" width=\"1\"></td></tr>";
    EXPECT_EQ(readText(path),
              kHtmlHeader +
                  "<table width=\"99%\" align=\"center\" cellpadding=\"0\" cellspacing=\"0\" "
                  "border=\"0\">" +
                  black +
                  "<tr><td bgcolor=\"BLACK\" width=\"1\"></td><td bgcolor=\"#306090\"><font "
                  "color=\"YELLOW\" size=\"2\"><b>Init 2</b></font></td><td bgcolor=\"BLACK\" "
                  "width=\"1\"></td></tr>" +
                  black +
                  "<tr><td bgcolor=\"BLACK\" width=\"1\"></td><td bgcolor=\"WHITE\"><font "
                  "face=\"Verdana\" size=\"2\">"
                  "</font></td><td bgcolor=\"BLACK\" width=\"1\"></td></tr>"
                  "\n<tr><td bgcolor=\"BLACK\" width=\"1\" height=\"1\"></td><td "
                  "bgcolor=\"BLACK\"></td><td bgcolor=\"BLACK\" width=\"1\"></td></tr></table><br />");
}

TEST_F(DebugLog, SectionsAndErrorCodesInPlainText) {
    const std::string path = init(TOVREN_DEBUG_TEXT);
    EXPECT_TRUE(TOVREN_DEBUG_CreateSection("Load %s", "a.mvo"));
    EXPECT_TRUE(TOVREN_DEBUG_PrintErrorCode("code %u", 7u));
    EXPECT_TRUE(TOVREN_DEBUG_CloseSection());
    EXPECT_EQ(readText(path),
              "\n*** Load a.mvo ***\r\n"
              "<b><font color=\"RED\">code 7\n</font></b>\r\n"
              "\n*** End of Section ***\r\n");
}

TEST_F(DebugLog, TimeStampsPrecedeEveryWrite) {
    const std::string path = init(TOVREN_DEBUG_HTML | TOVREN_DEBUG_TIMESTAMP);
    EXPECT_TRUE(TOVREN_DEBUG_Println("x"));
    const std::string stamp = R"(<font color="GRAY"><i>\[[ 12]\d:[ 1-5]\d:[ 1-5]\d\]</i></font> )";
    EXPECT_TRUE(std::regex_match(readText(path).substr(kHtmlHeader.size()),
                                 std::regex("\n" + stamp + "x<br />")));

    const std::string textPath = dir.file("log.txt");
    ASSERT_TRUE(TOVREN_DEBUG_Init(textPath.c_str(), TOVREN_DEBUG_TEXT | TOVREN_DEBUG_TIMESTAMP));
    EXPECT_TRUE(TOVREN_DEBUG_Print("a"));
    EXPECT_TRUE(TOVREN_DEBUG_Print("b"));
    EXPECT_TRUE(std::regex_match(readText(textPath),
                                 std::regex(R"((\[[ 12]\d:[ 1-5]\d:[ 1-5]\d\] a)(\[[ 12]\d:[ 1-5]\d:[ 1-5]\d\] b))")));
}

TEST(DebugLogFormat, TimeStampPadsWithBlanks) {
    EXPECT_EQ(tovren::log::timeStamp(9, 5, 3, false), "[ 9: 5: 3] ");
    EXPECT_EQ(tovren::log::timeStamp(23, 59, 10, true),
              "<font color=\"GRAY\"><i>[23:59:10]</i></font> ");
}

TEST(DebugLogFormat, UnclosedTildeHidesTheRest) {
    EXPECT_EQ(tovren::log::toPlainText("a~b~c~d"), "a~c");
    EXPECT_EQ(tovren::log::toPlainText("~~~x"), "~");
    EXPECT_EQ(tovren::log::toHtml("~\n\n"), "%<br /><br />");
}

TEST_F(DebugLog, FlagsZeroKeepsThePreviousLog) {
    const std::string path = init(TOVREN_DEBUG_TEXT);
    const std::string other = dir.file("other.txt");
    EXPECT_TRUE(TOVREN_DEBUG_Init(other.c_str(), 0));
    EXPECT_FALSE(std::filesystem::exists(other));
    EXPECT_TRUE(TOVREN_DEBUG_Print("still here"));
    EXPECT_EQ(readText(path), "still here");
}

TEST_F(DebugLog, FailedInitClearsFlags) {
    init(TOVREN_DEBUG_TEXT);
    const std::string missing = dir.file("no/such/dir/log.txt");
    EXPECT_FALSE(TOVREN_DEBUG_Init(missing.c_str(), TOVREN_DEBUG_HTML));
    // The old file name stays but without a mode every write is refused with a message box.
    int boxes = 0;
    std::string seen;
    auto old = platform::setMessageBoxHook([&](HWND, const char* text, const char* caption, UINT type) {
        ++boxes;
        seen = std::string(caption) + "|" + text;
        EXPECT_EQ(type, MB_OK | MB_ICONEXCLAMATION);
        return IDOK;
    });
    EXPECT_FALSE(TOVREN_DEBUG_Print("x"));
    platform::setMessageBoxHook(old);
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(seen, "ERROR!|Debug mode is not set!");
}

TEST_F(DebugLog, OverlongNamesAndTextsAreRefusedOrCut) {
    const std::string longName = dir.file(std::string(300, 'n'));
    EXPECT_FALSE(TOVREN_DEBUG_Init(longName.c_str(), TOVREN_DEBUG_TEXT));
    EXPECT_FALSE(TOVREN_DEBUG_Init(nullptr, TOVREN_DEBUG_TEXT));

    const std::string path = init(TOVREN_DEBUG_TEXT);
    const std::string big(5000, 'q');
    EXPECT_TRUE(TOVREN_DEBUG_Print("%s", big.c_str()));
    EXPECT_EQ(readText(path), std::string(1023, 'q'));
    // Line feeds grow sixfold in HTML; nothing of the formatted text is lost.
    const std::string html = init(TOVREN_DEBUG_HTML);
    EXPECT_TRUE(TOVREN_DEBUG_Print("%s", std::string(1000, '\n').c_str()));
    EXPECT_EQ(readText(html).size(), kHtmlHeader.size() + 6000);
}

TEST(Version, ExportedVariable) { EXPECT_EQ(TOVREN_GetVersion, 38705u); }

}  // namespace
