// Runs the built kvconvert binary end to end.
#include <kaldorgl/kaldorgl.h>

#include "testsupport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using kvtest::Bytes;

namespace {

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

std::string slurp(const std::string& path) {
    const Bytes bytes = kvtest::readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

class Kvconvert : public ::testing::Test {
protected:
    kvtest::TempDir dir;
    Bytes rgba = kvtest::makePhotoRgba(37, 23);

    // `limit` is put before the program, such as "ulimit -v 1000; ".
    Outcome run(const std::string& args, const std::string& limit = "") {
        const std::string out = dir.file("stdout.txt");
        const std::string err = dir.file("stderr.txt");
        const std::string command = limit + "'" + KVCONVERT_PATH + "' " + args + " >'" + out + "' 2>'" + err + "'";
        const int status = std::system(command.c_str());
        return Outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(out), slurp(err)};
    }

    std::string path(const std::string& name) { return dir.file(name); }
    std::string quoted(const std::string& name) { return "'" + path(name) + "'"; }

    void writeSource(const std::string& name) {
        ASSERT_EQ(CKaldorGL().SaveImageToFileBPP(path(name).c_str(), rgba.data(), 37, 23, KDGL_TYPE_32BIT), KDGL_OK);
    }

    Bytes load(const std::string& name) {
        CKaldorGL gl;
        EXPECT_EQ(gl.LoadImageFromFileAs32(path(name).c_str()), KDGL_OK) << name;
        if (!gl.canvas.data) return {};
        Bytes pixels(gl.canvas.data, gl.canvas.data + size_t(gl.canvas.width) * gl.canvas.height * 4);
        std::free(gl.canvas.data);
        return pixels;
    }

    Bytes withOpaqueAlpha() const {
        Bytes out = rgba;
        for (size_t i = 3; i < out.size(); i += 4) out[i] = 255;
        return out;
    }
};

TEST_F(Kvconvert, UsageErrors) {
    // KVI options with another writer would be silently ignored: the user meant something else.
    for (const char* bad : {"", "only-one.bmp", "a.bmp b.bmp c.bmp", "--mode Q a.bmp b.kvi",
                            "--quality 101 a.bmp b.kvi", "--bits 16 a.bmp b.kvi", "--order rgb a.bmp b.kvi",
                            "--frobnicate a.bmp b.bmp", "a.bmp b.kvi --mode", "--info a.bmp b.bmp",
                            "--mode A1 a.bmp b.bmp", "--quality 50 a.bmp b.TGA", "--bits 24 a.kvi b.pcx",
                            "--order bgra --info a.kvi"}) {
        Outcome r = run(bad);
        EXPECT_EQ(r.exitCode, 2) << bad;
        EXPECT_NE(r.err.find("usage: kvconvert"), std::string::npos) << bad;
    }
}

TEST_F(Kvconvert, ConvertsBetweenTheLibraryFormatsLosslessly) {
    writeSource("src.tga");
    ASSERT_EQ(run(quoted("src.tga") + " " + quoted("a.pcx")).exitCode, 0);
    ASSERT_EQ(run(quoted("a.pcx") + " " + quoted("b.BMP")).exitCode, 0);
    ASSERT_EQ(run(quoted("b.BMP") + " " + quoted("c.tga")).exitCode, 0);
    EXPECT_EQ(load("a.pcx"), rgba);
    EXPECT_EQ(load("b.BMP"), rgba);
    EXPECT_EQ(load("c.tga"), rgba);
}

TEST_F(Kvconvert, KviRoundTripsEveryLosslessModeOrderAndDepth) {
    writeSource("src.bmp");
    const Bytes opaque = withOpaqueAlpha();
    for (const char* mode : {"none", "A1", "A1E", "A2", "A2E", "A3", "A3E"}) {
        ASSERT_EQ(run(std::string("--mode ") + mode + " " + quoted("src.bmp") + " " + quoted("m.kvi")).exitCode, 0) << mode;
        ASSERT_EQ(run(quoted("m.kvi") + " " + quoted("m.tga")).exitCode, 0) << mode;
        EXPECT_EQ(load("m.tga"), rgba) << mode;
    }
    for (const char* order : {"rgba", "bgra", "argb", "abgr", "rgbx", "bgrx", "xrgb", "xbgr"}) {
        for (const char* bits : {"24", "32"}) {
            const std::string args = std::string("--mode=A2 --order ") + order + " --bits " + bits + " ";
            ASSERT_EQ(run(args + quoted("src.bmp") + " " + quoted("o.kvi")).exitCode, 0) << order << bits;
            ASSERT_EQ(run(quoted("o.kvi") + " " + quoted("o.tga")).exitCode, 0) << order << bits;
            const bool keepsAlpha = std::string(bits) == "32" && std::string(order).find('a') != std::string::npos;
            EXPECT_EQ(load("o.tga"), keepsAlpha ? rgba : opaque) << order << " " << bits;
        }
    }
}

TEST_F(Kvconvert, LossyKviAndItsInfo) {
    writeSource("src.bmp");
    ASSERT_EQ(run("--quality 90 " + quoted("src.bmp") + " " + quoted("q.kvi")).exitCode, 0);
    ASSERT_EQ(run(quoted("q.kvi") + " " + quoted("q.tga")).exitCode, 0);
    EXPECT_GT(kvtest::psnr(load("q.tga"), rgba), 25.0);
    Outcome info = run("--info " + quoted("q.kvi"));
    ASSERT_EQ(info.exitCode, 0);
    for (const char* line : {"format: KVI", "size: 37x23", "bits per pixel: 32", "colour description: 0 (rgba)",
                             "quality: 90", "modes: B1", "stamp: "})
        EXPECT_NE(info.out.find(line), std::string::npos) << line << "\n" << info.out;
    Outcome bmpInfo = run("--info " + quoted("src.bmp"));
    ASSERT_EQ(bmpInfo.exitCode, 0);
    EXPECT_EQ(bmpInfo.out, "size: 37x23\ntype: 513 (32-bit RGBA)\n");
}

TEST_F(Kvconvert, ReadsJpegUnderEitherExtensionTheRightWayUp) {
    ASSERT_TRUE(kvtest::writeJpeg(path("p.JPEG"), rgba, 37, 23, 95, false));
    ASSERT_TRUE(kvtest::writeJpeg(path("p.jpg"), rgba, 37, 23, 95, false));
    const Bytes opaque = withOpaqueAlpha();
    // The library's own 32-bit decoding: ".JPEG" is flipped and widened by kvconvert itself.
    const Bytes decoded = load("p.jpg");
    for (const char* name : {"p.JPEG", "p.jpg"}) {
        ASSERT_EQ(run(quoted(name) + " " + quoted("j.bmp")).exitCode, 0) << name;
        EXPECT_GT(kvtest::psnr(load("j.bmp"), opaque), 30.0) << name;
        EXPECT_EQ(load("j.bmp"), decoded) << name;
    }
    Outcome info = run("--info " + quoted("p.JPEG"));
    EXPECT_EQ(info.out, "size: 37x23\ntype: 5 (24-bit RGB)\n");
}

// Every failure names the file, the side and the reason, and exits 1.
TEST_F(Kvconvert, FailuresNameTheFileAndTheSide) {
    writeSource("src.bmp");
    const auto failure = [this](const std::string& args) {
        const Outcome outcome = run(args);
        EXPECT_EQ(outcome.exitCode, 1) << args;
        EXPECT_TRUE(outcome.out.empty()) << args;
        return outcome.err;
    };
    const std::string d = path("");
    EXPECT_EQ(failure(quoted("none.bmp") + " " + quoted("x.tga")),
              "kvconvert: " + d + "none.bmp: cannot read: File not found or can't be open!\n");
    EXPECT_EQ(failure(quoted("nothere.jpg") + " " + quoted("x.tga")),
              "kvconvert: " + d + "nothere.jpg: cannot read: Wrong file name!\n");
    EXPECT_EQ(failure(quoted("src.bmp") + " " + quoted("x.png")),
              "kvconvert: " + d + "x.png: cannot write: no writer for \".png\" (bmp, pcx, tga, kvi)\n");
    EXPECT_EQ(failure(quoted("src.bmp") + " " + quoted("x.cel")),
              "kvconvert: " + d + "x.cel: cannot write: no writer for \".cel\" (bmp, pcx, tga, kvi)\n");
    // The output name is judged before the input is read.
    EXPECT_EQ(failure(quoted("none.bmp") + " " + quoted("x.gif")),
              "kvconvert: " + d + "x.gif: cannot write: no writer for \".gif\" (bmp, pcx, tga, kvi)\n");
    EXPECT_EQ(failure(quoted("") + " " + quoted("x.bmp")), "kvconvert: " + d + ": cannot read: is a directory\n");
    EXPECT_EQ(failure("--info " + quoted("")), "kvconvert: " + d + ": cannot read: is a directory\n");
    EXPECT_EQ(failure(quoted("src.bmp") + " " + quoted("no/such/dir/x.bmp")).rfind(
                  "kvconvert: " + d + "no/such/dir/x.bmp: cannot write: ", 0), 0u);

    Bytes cut = kvtest::readFile(path("src.bmp"));
    cut.resize(cut.size() / 2);
    kvtest::writeFile(path("cut.bmp"), cut);
    EXPECT_EQ(failure(quoted("cut.bmp") + " " + quoted("x.tga")),
              "kvconvert: " + d + "cut.bmp: cannot read: Wrong file size\n");
    kvtest::writeFile(path("bad.kvi"), Bytes(40, 'z'));
    EXPECT_EQ(failure(quoted("bad.kvi") + " " + quoted("x.tga")).rfind("kvconvert: " + d + "bad.kvi: cannot read: ", 0), 0u);
    EXPECT_EQ(failure("--info " + quoted("none.pcx")).rfind("kvconvert: " + d + "none.pcx: cannot read: ", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(path("x.tga")));
}

TEST_F(Kvconvert, TruncatedJpegConvertsWithAWarning) {
    ASSERT_TRUE(kvtest::writeJpeg(path("p.jpg"), kvtest::makePhotoRgba(96, 64), 96, 64, 90, true));
    Bytes file = kvtest::readFile(path("p.jpg"));
    file.resize(file.size() * 3 / 4);
    kvtest::writeFile(path("cut.jpg"), file);
    Outcome cut = run(quoted("cut.jpg") + " " + quoted("cut.bmp"));
    EXPECT_EQ(cut.exitCode, 0);
    EXPECT_NE(cut.err.find("cut.jpg: warning: premature end of data (libjpeg warnings: "), std::string::npos) << cut.err;
    Outcome whole = run(quoted("p.jpg") + " " + quoted("whole.bmp"));
    EXPECT_EQ(whole.exitCode, 0);
    EXPECT_EQ(whole.err, "");
}

// The decoded picture is handed over, not copied: a 64 MB picture (a cut file declaring
// 4096 x 4096) converts in an address space that holds it once but not twice.
TEST_F(Kvconvert, AJpegPictureIsHeldOnce) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "needs a limited address space";
#else
    ASSERT_TRUE(kvtest::writeJpeg(path("b.jpg"), kvtest::makePhotoRgba(8, 8), 8, 8, 90, true));
    const Bytes baseline = kvtest::readFile(path("b.jpg"));
    const Bytes cut = kvtest::withJpegFrameSize(Bytes(baseline.begin(), baseline.end() - 2), 4096, 4096);
    for (const char* name : {"big.jpg", "big.jpeg"}) {
        kvtest::writeFile(path(name), cut);
        const Outcome outcome = run(quoted(name) + " " + quoted("big.tga"), "ulimit -v 120000; ");
        EXPECT_EQ(outcome.exitCode, 0) << name << ": " << outcome.err;
        EXPECT_EQ(std::filesystem::file_size(path("big.tga")), 18u + 4096u * 4096u * 4u) << name;
        std::filesystem::remove(path("big.tga"));
    }
#endif
}

// A KVI file of the given header and data bytes; mode -1 writes no coding record.
Bytes kviFile(uint32_t width, uint32_t height, uint8_t bits, int mode, size_t dataBytes) {
    Bytes file = {'k', 'v', 'I', 16, 0x81};
    kvtest::put32(file, width);
    kvtest::put32(file, height);
    file.insert(file.end(), {0x84, bits, 0, 0, 0, 0, 0});
    if (mode >= 0) {
        file.push_back(0x82);
        for (const uint32_t field : {0u, uint32_t(mode), 0u}) kvtest::put32(file, field);
    }
    file.push_back(0);
    kvtest::put32(file, uint32_t(dataBytes));
    file.resize(file.size() + dataBytes, 0);  // B1: empty plane tables
    return file;
}

// Small files whose headers promise gigabytes are refused with the reader's reason in an
// address space far smaller than the pictures they declare (outside AddressSanitizer, which
// cannot start under such a limit); a picture over KV_MAX_PIXELS likewise.
TEST_F(Kvconvert, SmallFilesWithHugeHeadersAreRefusedInASmallAddressSpace) {
#if defined(__SANITIZE_ADDRESS__)
    const std::string limit;
#else
    const std::string limit = "ulimit -v 120000; ";
#endif
    ASSERT_TRUE(kvtest::writeJpeg(path("p.jpg"), kvtest::makePhotoRgba(8, 8), 8, 8, kvtest::JpegStyle{90, true, true}));
    const Bytes progressive = kvtest::readFile(path("p.jpg"));
    ASSERT_TRUE(kvtest::writeJpeg(path("b.jpg"), kvtest::makePhotoRgba(8, 8), 8, 8, 90, true));
    const Bytes baseline = kvtest::readFile(path("b.jpg"));
    const struct {
        const char* name;
        Bytes file;
        const char* reason;
        const char* environment;
    } cases[] = {
        {"a2.kvi", kviFile(16384, 16384, 32, 3, 1), "Impossible image resolution!", ""},
        {"raw.kvi", kviFile(16384, 16384, 32, -1, 14), "Impossible image resolution!", ""},
        {"raw8.kvi", kviFile(65535, 65535, 8, -1, 14), "Impossible image resolution!", ""},
        {"b1.kvi", kviFile(8192, 8192, 32, 256, 16), "Impossible image resolution!", ""},
        {"deep.kvi", kviFile(4096, 4096, 255, 256, 124), "Unknown color depth!", ""},
        {"tall.kvi", kviFile(1, 4000000000u, 4, 1, 1), "Unknown color depth!", ""},
        {"progressive.jpg", kvtest::withJpegFrameSize(progressive, 65500, 65500), "Impossible image resolution!", ""},
        {"cut.jpg", kvtest::withJpegFrameSize(Bytes(baseline.begin(), baseline.end() - 2), 16384, 16384),
         "Impossible image resolution!", "KV_MAX_PIXELS=1000000 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        kvtest::writeFile(path(c.name), c.file);
        const Outcome outcome = run(quoted(c.name) + " " + quoted("out.tga"), limit + c.environment);
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.err, "kvconvert: " + path(c.name) + ": cannot read: " + c.reason + "\n");
    }
    EXPECT_FALSE(std::filesystem::exists(path("out.tga")));
}

// A picture the decoder accepts but that does not fit in memory as R, G, B, A ends with a
// message, not with an uncaught exception. The address space is limited for kvconvert alone;
// AddressSanitizer cannot start under such a limit.
TEST_F(Kvconvert, RunningOutOfMemoryIsAFailureNotAnAbort) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "needs a limited address space";
#else
    // 4096 x 8192 stored 8-bit pixels: 32 MB read, 32 MB decoded, 128 MB more as R, G, B, A.
    const uint32_t width = 4096, height = 8192;
    Bytes header = {'k', 'v', 'I', 16, 0x81};
    kvtest::put32(header, width);
    kvtest::put32(header, height);
    header.insert(header.end(), {0x84, 8, 0, 0, 0, 0, 0, 0x82});
    for (int i = 0; i < 3; ++i) kvtest::put32(header, 0);
    header.push_back(0);
    kvtest::put32(header, width * height);
    kvtest::writeFile(path("big.kvi"), header);
    std::filesystem::resize_file(path("big.kvi"), header.size() + width * height);  // sparse: no disk used
    Outcome big = run(quoted("big.kvi") + " " + quoted("big.tga"), "ulimit -v 150000; ");
    EXPECT_EQ(big.exitCode, 1);
    EXPECT_NE(big.err.find("Memory allocation is failed!"), std::string::npos) << big.err;
#endif
}

}  // namespace
