// The game as CI runs it: 300 frames of the attract mode without a display, the last frame
// compared with the golden frame kept beside this test, and the debug log's lines.
//
// When the game's look changes on purpose, make a new golden frame with
//   KV_UPDATE_GOLDEN=1 ctest --test-dir build -R GliderFrame
// and look at tests/game/golden/attract300.bmp before committing it.
#include "testsupport.h"

#include <kaldorgl/kaldorgl.h>
#include <tovren/image.h>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kShrink = 5;  // the golden frame is 160 x 120: 5 x 5 pixels averaged
constexpr uint32_t kWidth = 800 / kShrink, kHeight = 600 / kShrink;

struct Picture {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> bgra;
};

Picture load(const std::string& path) {
    cTOVREN_Image image;
    Picture picture;
    if (image.LoadImageA(path.c_str()) != 0) return picture;
    picture.width = image.width;
    picture.height = image.height;
    picture.bgra.assign(image.pixels, image.pixels + size_t(image.width) * image.height * 4);
    std::free(image.pixels);
    return picture;
}

// Box-averages the frame down, which keeps the comparison about what the frame shows
// rather than about single pixels on the edges of triangles.
Picture shrink(const Picture& frame) {
    Picture small;
    small.width = frame.width / kShrink;
    small.height = frame.height / kShrink;
    small.bgra.resize(size_t(small.width) * small.height * 4);
    for (uint32_t y = 0; y < small.height; ++y) {
        for (uint32_t x = 0; x < small.width; ++x) {
            for (int c = 0; c < 4; ++c) {
                uint32_t sum = 0;
                for (uint32_t dy = 0; dy < kShrink; ++dy) {
                    for (uint32_t dx = 0; dx < kShrink; ++dx) {
                        sum += frame.bgra[((size_t(y) * kShrink + dy) * frame.width + x * kShrink + dx) * 4 + c];
                    }
                }
                small.bgra[(size_t(y) * small.width + x) * 4 + c] = uint8_t(sum / (kShrink * kShrink));
            }
        }
    }
    return small;
}

bool saveGolden(const std::string& path, const Picture& picture) {
    std::vector<uint8_t> rgba(picture.bgra);
    for (size_t i = 0; i < rgba.size(); i += 4) std::swap(rgba[i], rgba[i + 2]);
    CKaldorGL writer;
    return writer.SaveImageToFileBPP(path.c_str(), rgba.data(), picture.width, picture.height, KDGL_TYPE_32BIT) ==
           KDGL_OK;
}

class GliderFrame : public testing::Test {
protected:
    int run(const std::string& arguments) {
        const std::string command = std::string("'") + GLIDER_PROGRAM + "' " + arguments + " >'" +
                                    dir_.file("out") + "' 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string text(const std::string& name) {
        const kvtest::Bytes bytes = kvtest::readFile(dir_.file(name));
        return std::string(bytes.begin(), bytes.end());
    }
    kvtest::TempDir dir_;
};

TEST_F(GliderFrame, TheAttractModeLooksAsItDidAndLogsItsRun) {
    const std::string frameFile = dir_.file("frame.bmp"), logFile = dir_.file("log.html");
    ASSERT_EQ(run("--frames 300 --screenshot '" + frameFile + "' --log '" + logFile + "'"), 0) << text("out");
    const Picture frame = load(frameFile);
    ASSERT_EQ(frame.width, 800u);
    ASSERT_EQ(frame.height, 600u);
    const Picture small = shrink(frame);

    if (std::getenv("KV_UPDATE_GOLDEN")) {
        ASSERT_TRUE(saveGolden(GLIDER_GOLDEN, small));
        GTEST_SKIP() << "wrote a new golden frame " << GLIDER_GOLDEN;
    }
    const Picture golden = load(GLIDER_GOLDEN);
    ASSERT_EQ(golden.width, kWidth) << GLIDER_GOLDEN;
    ASSERT_EQ(golden.height, kHeight);
    // A little drift is allowed (rounding in a renderer that gets faster); a changed scene,
    // a missing panel or a wrong colour order is not.
    uint64_t total = 0, far = 0;
    for (size_t i = 0; i < small.bgra.size(); ++i) {
        const int difference = std::abs(int(small.bgra[i]) - int(golden.bgra[i]));
        total += uint64_t(difference);
        far += difference > 24 ? 1 : 0;
    }
    EXPECT_LT(double(total) / double(small.bgra.size()), 2.0) << "mean difference per channel";
    EXPECT_LT(double(far) / double(small.bgra.size()), 0.01) << "share of channels off by more than 24";

    const std::string log = text("log.html");
    EXPECT_EQ(log.rfind("<html>", 0), 0u);
    for (const char* line : {"Data folder: ", "Graphics: 800x600, 32 bits, offscreen<br />",
                             "World: 20104 triangles (terrain 12800, forest 5880), 60 crystals, 36 mines<br />",
                             "Input: keyboard, mouse", "Sound: off<br />", "Frames: 300, ", "Goodbye<br />",
                             "</body></html>"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line;
    }
}

TEST_F(GliderFrame, MissingDataAndBadOptionsSayWhatIsWrong) {
    EXPECT_EQ(run("--frames 1 --screenshot '" + dir_.file("x.bmp") + "' --data '" + dir_.file("nothing") + "'"), 1);
    EXPECT_NE(text("out").find("cannot use the data folder " + dir_.file("nothing")), std::string::npos) << text("out");

    // A data folder without the sky's textures names the file it could not load.
    std::filesystem::create_directory(dir_.path() / "data");
    std::filesystem::copy_file(std::string(GLIDER_DATA) + "/sky.xml", dir_.path() / "data" / "sky.xml");
    EXPECT_EQ(run("--frames 1 --screenshot '" + dir_.file("x.bmp") + "' --data '" + dir_.file("data") + "'"), 1);
    EXPECT_NE(text("out").find("cannot load the sky " + dir_.file("data") + "/sky.xml"), std::string::npos)
        << text("out");

    EXPECT_EQ(run("--depth 24"), 2);
    EXPECT_NE(text("out").find("--depth takes 16 or 32"), std::string::npos) << text("out");
    EXPECT_EQ(run("--frames 0"), 2);
    EXPECT_EQ(run("--log"), 2);
    EXPECT_EQ(run("--log /nonexistent/folder/log.html --frames 1 --screenshot x.bmp"), 1);
    EXPECT_NE(text("out").find("cannot create the log file /nonexistent/folder/log.html"), std::string::npos);
}

}  // namespace
