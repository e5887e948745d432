#include "options.h"

#include <gtest/gtest.h>

using kviewer::parseOptions;
using kviewer::ViewerOptions;
using Mode = ViewerOptions::Mode;

TEST(Options, PicturePathIsTheWholeCommandLine) {
    EXPECT_EQ(parseOptions({}).mode, Mode::Window);
    EXPECT_EQ(parseOptions({}).picture, "");
    const ViewerOptions split = parseOptions({"/tmp/my", "picture.bmp"});
    EXPECT_EQ(split.mode, Mode::Window);
    EXPECT_EQ(split.picture, "/tmp/my picture.bmp");
    EXPECT_EQ(parseOptions({"\"/tmp/a b.kvi\""}).picture, "/tmp/a b.kvi");
    EXPECT_EQ(parseOptions({"--help"}).mode, Mode::Help);
    EXPECT_EQ(parseOptions({"--version"}).mode, Mode::Version);
}

TEST(Options, ScreenshotTakesFileOptionalSizeAndPicture) {
    ViewerOptions o = parseOptions({"--screenshot", "out.bmp", "in.kvi"});
    EXPECT_EQ(o.mode, Mode::Screenshot);
    EXPECT_EQ(o.screenshotFile, "out.bmp");
    EXPECT_EQ(o.picture, "in.kvi");
    EXPECT_EQ(o.width, 1024u);
    EXPECT_EQ(o.height, 768u);

    o = parseOptions({"--screenshot", "out.bmp", "--size", "320x200", "my pic.bmp"});
    EXPECT_EQ(o.mode, Mode::Screenshot);
    EXPECT_EQ(o.width, 320u);
    EXPECT_EQ(o.height, 200u);
    EXPECT_EQ(o.picture, "my pic.bmp");
}

TEST(Options, MalformedScreenshotRequestsAreErrors) {
    const std::vector<std::vector<std::string>> bad = {
        {"--screenshot"},
        {"--screenshot", "out.bmp"},
        {"--screenshot", "out.bmp", "--size", "320x200"},
        {"--screenshot", "out.bmp", "--size", "320", "in.bmp"},
        {"--screenshot", "out.bmp", "--size", "0x200", "in.bmp"},
        {"--screenshot", "out.bmp", "--size", "99999x2", "in.bmp"},
        {"--screenshot", "out.bmp", "--size", "12x-3", "in.bmp"},
        {"--screenshot", "out.bmp", "--size", "12x3junk", "in.bmp"},
        {"--screenshot", "out.bmp", "a.bmp", "b.bmp"},
    };
    for (const auto& args : bad) {
        const ViewerOptions o = parseOptions(args);
        EXPECT_EQ(o.mode, Mode::Error) << args.size();
        EXPECT_FALSE(o.error.empty());
    }
}

TEST(Options, LanguageNamesAThemeOfTheLanguageFolder) {
    ViewerOptions o = parseOptions({"--language", "english", "/tmp/a b.bmp"});
    EXPECT_EQ(o.mode, Mode::Window);
    EXPECT_EQ(o.language, "english");
    EXPECT_EQ(o.picture, "/tmp/a b.bmp");
    EXPECT_EQ(parseOptions({"--language", "english.xml"}).language, "english");
    EXPECT_EQ(parseOptions({"--language", "english"}).picture, "");
    EXPECT_EQ(parseOptions({"/tmp/x.bmp"}).language, "");
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--language"}, {"--language", ""}, {"--language", "../secret"}, {"--language", ".xml"},
             {"--language", "/etc/passwd"}}) {
        EXPECT_EQ(parseOptions(args).mode, Mode::Error) << args.back();
    }
}

TEST(Options, UnknownOptionsAreErrorsButPathsMayLookLikeOptionsAfterTheFirst) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--bogus"}, {"-x"}, {"--language", "english", "--bogus"}, {"--size", "10x10", "a.bmp"}}) {
        const ViewerOptions o = parseOptions(args);
        EXPECT_EQ(o.mode, Mode::Error) << args.front();
        EXPECT_NE(o.error.find("unknown option"), std::string::npos);
    }
    // "--" ends the options; once the path has begun, the rest belongs to it.
    EXPECT_EQ(parseOptions({"--", "--odd.bmp"}).picture, "--odd.bmp");
    EXPECT_EQ(parseOptions({"/tmp/my", "--odd.bmp"}).picture, "/tmp/my --odd.bmp");
    EXPECT_EQ(parseOptions({"-"}).picture, "-");
}
