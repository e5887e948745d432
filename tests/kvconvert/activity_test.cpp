#include "activity.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

off_t sizeOf(std::FILE* file) {
    struct stat info {};
    return fstat(fileno(file), &info) == 0 ? info.st_size : -1;
}

std::string contents(std::FILE* file) {
    std::string text(size_t(sizeOf(file)), '\0');
    std::rewind(file);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    return text;
}

TEST(Activity, ASlowStepShowsItsFileThenClearsTheLine) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    {
        const kvconvert::Activity activity(out, "reading", "huge.kvi", 10ms);
        for (int i = 0; i < 1000 && sizeOf(out) == 0; ++i) std::this_thread::sleep_for(10ms);
    }
    const std::string text = contents(out);
    std::fclose(out);
    EXPECT_EQ(text.rfind("\rkvconvert: reading huge.kvi... 0 s", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 4), "\r\033[K");
}

TEST(Activity, AQuickStepWritesNothingAndEndsAtOnce) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    const auto start = std::chrono::steady_clock::now();
    { const kvconvert::Activity activity(out, "writing", "small.tga", std::chrono::hours(1)); }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 60s);  // woken, not timed out
    EXPECT_EQ(contents(out), "");
    std::fclose(out);
    { const kvconvert::Activity silent(nullptr, "writing", "small.tga", 1ms); }
}

}  // namespace
