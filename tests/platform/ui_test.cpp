#include <gtest/gtest.h>
#include <platform/ui.h>
#include <platform/time.h>

#include <string>

namespace {

TEST(MessageBoxHook, DefaultAnswersNoToQuestionsAndRestoresAfterReplacement) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Save?", "Question", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Done", "Info", MB_OK), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Question: Save?\nInfo: Done\n");

    std::string seen;
    platform::setMessageBoxHook([&](HWND, const char* text, const char* caption, UINT) {
        seen = std::string(caption) + "|" + text;
        return IDYES;
    });
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_YESNO), IDYES);
    EXPECT_EQ(seen, "c|t");

    platform::setMessageBoxHook({});
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "x", "y", MB_YESNO), IDNO);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "y: x\n");
}

TEST(FileDialogHook, DefaultCancelsAndHookAnswers) {
    platform::FileDialogRequest request;
    std::string chosen;
    EXPECT_FALSE(platform::showFileDialog(request, chosen));
    platform::setFileDialogHook([](const platform::FileDialogRequest& r, std::string& out) {
        out = r.save ? "saved.kvi" : "opened.bmp";
        return true;
    });
    request.save = true;
    EXPECT_TRUE(platform::showFileDialog(request, chosen));
    EXPECT_EQ(chosen, "saved.kvi");
    platform::setFileDialogHook({});
}

TEST(Clock, LocalTimeIsPlausibleAndTicksDoNotGoBack) {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    EXPECT_GE(t.wYear, 2024);
    EXPECT_GE(t.wMonth, 1);
    EXPECT_LE(t.wMonth, 12);
    EXPECT_LT(t.wMilliseconds, 1000);
    const DWORD a = GetTickCount();
    const DWORD b = GetTickCount();
    EXPECT_LE(DWORD(b - a), 1000u);
}

}  // namespace
