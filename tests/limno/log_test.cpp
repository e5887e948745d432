#include <limno/limno.h>

#include "loopback_server.h"

#include <platform/ui.h>

#include <gtest/gtest.h>
#include <testsupport.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace {

std::string readText(const std::string& path) {
    const kvtest::Bytes bytes = kvtest::readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

const std::string kHtmlHead =
    "<html>\n<head><title>Debug logger file</title></head>\n<body text=black bgcolor=white>\n"
    "<font size=2 face=Verdana>\n";

class LimnoLog : public ::testing::Test {
protected:
    kvtest::TempDir dir;
    std::string log = dir.file("limno.log");
    std::vector<std::string> boxes;

    void SetUp() override {
        platform::setMessageBoxHook([this](HWND, const char* text, const char* caption, UINT type) {
            boxes.push_back(std::string(caption) + "|" + text + "|" + std::to_string(type));
            return IDOK;
        });
    }
    void TearDown() override { platform::setMessageBoxHook({}); }
};

TEST_F(LimnoLog, HtmlModeTurnsLineFeedsIntoBreaks) {
    ASSERT_TRUE(Limno_DEBUG_Init(log.c_str(), LIMNO_LOG_HTML | LIMNO_LOG_TEXT));
    EXPECT_EQ(readText(log), kHtmlHead);
    EXPECT_TRUE(Limno_DEBUG_Print("a\nb"));
    EXPECT_TRUE(Limno_DEBUG_Println("line ~kept~ %d"));
    EXPECT_TRUE(Limno_DEBUG_PrintErrorCode("nothing %d", 5));
    EXPECT_TRUE(Limno_DEBUG_Close());
    EXPECT_EQ(readText(log), kHtmlHead + "a<br>b" + "line ~kept~ %d<br><br>" + "</font>\n</body></html>\n");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(LimnoLog, PlainTextModeLeavesOutTildeSections) {
    ASSERT_TRUE(Limno_DEBUG_Init(log.c_str(), LIMNO_LOG_TEXT));
    EXPECT_EQ(readText(log), "");
    EXPECT_TRUE(Limno_DEBUG_Print("x~hidden~y"));
    EXPECT_TRUE(Limno_DEBUG_Print("|a~open to the end"));
    EXPECT_TRUE(Limno_DEBUG_Println("|~~b~c~d"));
    EXPECT_TRUE(Limno_DEBUG_Close());
    EXPECT_EQ(readText(log), "x~y|a|~b~d\r\n");
}

TEST_F(LimnoLog, TimeStampsAndBoundedText) {
    ASSERT_TRUE(Limno_DEBUG_Init(log.c_str(), LIMNO_LOG_TEXT | LIMNO_LOG_TIME));
    EXPECT_TRUE(Limno_DEBUG_Print(std::string(3000, 'w').c_str()));
    EXPECT_TRUE(std::regex_match(readText(log), std::regex(R"(\[[ \d]\d:[ \d]\d:[ \d]\d\] w{1000})")));

    ASSERT_TRUE(Limno_DEBUG_Init(log.c_str(), LIMNO_LOG_HTML | LIMNO_LOG_TIME));
    EXPECT_TRUE(Limno_DEBUG_Print(std::string(600, '\n').c_str()));
    const std::string body = readText(log).substr(kHtmlHead.size());
    std::string breaks;
    for (int i = 0; i < 250; ++i) breaks += "<br>";
    EXPECT_TRUE(std::regex_match(
        body, std::regex(R"(<font color=gray><i>\[[ \d]\d:[ \d]\d:[ \d]\d\]</i></font> )" + breaks)));
}

TEST_F(LimnoLog, UnsetModesAndFailures) {
    ASSERT_TRUE(Limno_DEBUG_Init(dir.file("never.log").c_str(), 0));
    EXPECT_FALSE(std::filesystem::exists(dir.file("never.log")));

    ASSERT_TRUE(Limno_DEBUG_Init(log.c_str(), LIMNO_LOG_TIME));
    EXPECT_FALSE(Limno_DEBUG_Print("x"));
    EXPECT_FALSE(Limno_DEBUG_Println("x"));
    const std::string unset = "ERROR!|Debug mode is not set!|" + std::to_string(MB_ICONWARNING);
    EXPECT_EQ(boxes, (std::vector<std::string>{unset, unset}));
    EXPECT_EQ(readText(log), "");

    boxes.clear();
    EXPECT_FALSE(Limno_DEBUG_Init(dir.file("no/such/dir.log").c_str(), LIMNO_LOG_TEXT));
    EXPECT_FALSE(Limno_DEBUG_Init(std::string(300, 'n').c_str(), LIMNO_LOG_TEXT));
    std::filesystem::remove(log);
    std::filesystem::create_directory(log);  // the stored name can no longer be opened
    EXPECT_FALSE(Limno_DEBUG_Print("x"));
    EXPECT_EQ(Limno_DEBUG_OpenDF(), nullptr);
    Limno_DEBUG_CloseDF(nullptr);
    const std::string reopen = "ERROR!|Debug file can't be reopen!|" + std::to_string(MB_ICONWARNING);
    const std::string noFile = "ERROR!|Can't get debug file descriptor!|" + std::to_string(MB_ICONWARNING);
    EXPECT_EQ(boxes, (std::vector<std::string>{reopen, noFile, reopen}));
}

TEST(LimnoTexts, HexTimeErrorMessageAndVersion) {
    EXPECT_STREQ(Limno_Long2Hex(6699), "00001A2B");
    EXPECT_STREQ(Limno_Long2Hex(0xFEDCBA98), "FEDCBA98");
    EXPECT_TRUE(std::regex_match(Limno_StrTime(), std::regex(R"(([01]\d|2[0-3]):[0-5]\d:[0-5]\d)")));
    EXPECT_EQ(Limno_GetVersion, 0x8618u);
}

// The last Init or GetData sets the value the message is made from.
TEST(LimnoTexts, ErrorMessageOfTheLastSocketOperation) {
    limnotest::LoopbackServer server([](int fd) { limnotest::sendText(fd, "HTTP/1.1 204 No Content\r\n\r\n"); });
    cLIMNO_SOCKET client;
    ASSERT_EQ(client.Init(server.address().c_str()), LIMNO_OK);
    Limno_GenerateErrorMessage();
    EXPECT_STREQ(Limno_GetErrorMessage(), "Main: No errors");
    char buffer[64];
    EXPECT_EQ(client.GetData(buffer, sizeof buffer, "a\nb", LIMNO_METHOD_GET), LIMNO_ERR_REQUEST);
    Limno_GenerateErrorMessage();
    EXPECT_STREQ(Limno_GetErrorMessage(), "Socket: Control character in the request!");
    EXPECT_EQ(client.GetData(buffer, sizeof buffer, "ok", LIMNO_METHOD_GET), LIMNO_OK);
    Limno_GenerateErrorMessage();
    EXPECT_STREQ(Limno_GetErrorMessage(), "Main: No errors");
    client.Unlink();
    EXPECT_EQ(client.GetData(buffer, sizeof buffer, "ok", LIMNO_METHOD_GET), LIMNO_ERR_SOCKET);
    Limno_GenerateErrorMessage();
    EXPECT_STREQ(Limno_GetErrorMessage(), "Socket: Socket or host name failure!");
    EXPECT_EQ(client.GetData(buffer, 0, "ok", LIMNO_METHOD_GET), LIMNO_ERR_INCOMPLETE);
    Limno_GenerateErrorMessage();
    EXPECT_STREQ(Limno_GetErrorMessage(), "Socket: Incomplete reply!");
}

}  // namespace
