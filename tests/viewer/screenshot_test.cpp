// The built program's headless face, run as a person's script would run it.
#include "viewer_fixture.h"

#include <kaldorgl/kaldorgl.h>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

using kvtest::Bytes;

namespace {

std::string quoted(const std::string& s) { return "'" + s + "'"; }

int runViewer(const std::string& arguments, const std::string& errorFile) {
    const std::string command = "QT_QPA_PLATFORM=offscreen " + quoted(KV_VIEWER_BIN) + " " +
                                arguments + " 2>" + quoted(errorFile);
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string textOf(const std::string& path) {
    const Bytes bytes = kvtest::readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TEST(Screenshot, PictureAtZoomOneLandsPixelExact) {
    kvtest::TempDir dir;
    const uint32_t w = 51, h = 31;
    Bytes rgba = kvtest::makePhotoRgba(w, h, 9);
    for (std::size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
    const std::string picture = dir.file("my picture.bmp");
    ASSERT_TRUE(viewertest::writeBmp(picture, w, h, rgba));

    const std::string shot = dir.file("shot.bmp");
    ASSERT_EQ(runViewer("--screenshot " + quoted(shot) + " --size 200x100 " + quoted(picture),
                        dir.file("err.txt")), 0)
        << textOf(dir.file("err.txt"));

    CKaldorGL gl;
    ASSERT_EQ(gl.LoadImageFromFileAs32(shot.c_str()), 0u);
    ASSERT_EQ(gl.canvas.width, 200u);
    ASSERT_EQ(gl.canvas.height, 100u);
    // (200 / 2 - 51 * 0.5, 100 / 2 - 31 * 0.5) with the fractions dropped: (74, 34).
    const uint32_t left = 74, top = 34;
    uint32_t mismatches = 0;
    for (uint32_t y = 0; y < gl.canvas.height; ++y) {
        for (uint32_t x = 0; x < gl.canvas.width; ++x) {
            const uint8_t* got = gl.canvas.data + (std::size_t(y) * 200 + x) * 4;
            const bool inside = x >= left && x < left + w && y >= top && y < top + h;
            const uint8_t* want = inside ? rgba.data() + ((std::size_t(y - top) * w + (x - left)) * 4) : nullptr;
            for (int c = 0; c < 3; ++c) {
                if (got[c] != (want ? want[c] : 0)) ++mismatches;
            }
        }
    }
    EXPECT_EQ(mismatches, 0u);
    std::free(gl.canvas.data);
}

TEST(Screenshot, FailedLoadReportsTheMessageAndExitsOne) {
    kvtest::TempDir dir;
    const std::string shot = dir.file("shot.bmp");
    EXPECT_EQ(runViewer("--screenshot " + quoted(shot) + " " + quoted(dir.file("missing.kvi")),
                        dir.file("err.txt")), 1);
    EXPECT_EQ(textOf(dir.file("err.txt")), "kvIViewer: Can't load image!\nkvIViewer: " + dir.file("missing.kvi") +
                                               ": cannot read: File not found or can't be open!\n");
    kvtest::writeFile(dir.file("shot.scl"), kvtest::Bytes(6912, 0));
    EXPECT_EQ(runViewer("--screenshot " + quoted(shot) + " " + quoted(dir.file("shot.scl")), dir.file("err.txt")), 1);
    const std::string why = ": cannot read: Unknown compression or organization structure!\n";
    EXPECT_NE(textOf(dir.file("err.txt")).find(dir.file("shot.scl") + why), std::string::npos)
        << textOf(dir.file("err.txt"));
    EXPECT_EQ(runViewer("--screenshot " + quoted(shot), dir.file("err.txt")), 2);
}
