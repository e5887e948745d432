#include "obj_import.h"

#include <mvobject/mvobject.h>

#include <gtest/gtest.h>
#include <testsupport.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// A unit cube around the origin: 8 corners, 6 quads wound counter-clockwise seen from outside.
const char* const kCubePositions =
    "v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\n"
    "v -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\n";
const char* const kCubeQuads[6] = {"1 4 3 2", "5 6 7 8", "1 2 6 5", "2 3 7 6", "3 4 8 7", "4 1 5 8"};

std::string cubeWithoutNormals() {
    std::string obj = std::string("# cube\no cube\n") + kCubePositions + "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n";
    for (const char* quad : kCubeQuads) {
        int a, b, c, d;
        std::sscanf(quad, "%d %d %d %d", &a, &b, &c, &d);
        obj += "f " + std::to_string(a) + "/1 " + std::to_string(b) + "/2 " + std::to_string(c) + "/3 " +
               std::to_string(d) + "/4\r\n";
    }
    return obj;
}

std::string cubeWithFaceNormals() {
    std::string obj = std::string(kCubePositions) + "vn 0 0 -1\nvn 0 0 1\nvn 0 -1 0\nvn 1 0 0\nvn 0 1 0\nvn -1 0 0\n";
    for (int face = 0; face < 6; ++face) {
        std::istringstream corners(kCubeQuads[face]);
        obj += "f";
        for (int corner; corners >> corner;) obj += " " + std::to_string(corner) + "//" + std::to_string(face + 1);
        obj += "\n";
    }
    return obj;
}

float dot3(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Every normal is unit length and points away from the cube's centre; every triangle faces out.
void expectOutwardCube(const MVOBJECT& cube) {
    for (uint32_t v = 0; v < cube.VertexCount; ++v) {
        const float* n = cube.Normals + v * 3;
        EXPECT_NEAR(dot3(n, n), 1.0f, 1e-5f);
        EXPECT_GT(dot3(n, cube.Vertices + v * 3), 0.0f);
    }
    for (uint32_t f = 0; f < cube.FaceCount; ++f) {
        const uint32_t* t = cube.Faces + f * 3;
        ASSERT_LT(std::max({t[0], t[1], t[2]}), cube.VertexCount);
        const float* a = cube.Vertices + t[0] * 3;
        const float* b = cube.Vertices + t[1] * 3;
        const float* c = cube.Vertices + t[2] * 3;
        const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const float w[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const float cross[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
        EXPECT_GT(dot3(cross, a), 0.0f) << "triangle " << f;
    }
}

int runTool(const std::string& arguments, const std::string& output) {
    return std::system((std::string(MVOCONVERT_PATH) + " " + arguments + " > " + output + " 2>&1").c_str());
}

TEST(MvoConvert, ObjCubeConvertsAndLoadsBack) {
    kvtest::TempDir dir;
    const std::string obj = dir.file("cube.obj"), mvo = dir.file("cube.mvo");
    std::ofstream(obj) << cubeWithoutNormals();
    ASSERT_EQ(runTool(obj + " " + mvo, dir.file("log")), 0);

    cMVO loader;
    MVOBJECT cube{};
    ASSERT_EQ(loader.LoadObject(mvo.c_str(), &cube), MVO_OK);
    EXPECT_EQ(cube.VertexCount, 8u);  // no normals in the file: one smooth normal per position
    EXPECT_EQ(cube.FaceCount, 12u);
    EXPECT_EQ(cube.TexCoordCount, 4u);
    expectOutwardCube(cube);
    // Quads split into fans keep each corner's texture coordinate.
    const uint32_t firstFan[6] = {0, 1, 2, 0, 2, 3};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(cube.TexFaces[i], firstFan[i]);
    MVO_FreeObject(&cube);

    ASSERT_EQ(runTool("--dump " + mvo, dir.file("dump")), 0);
    const kvtest::Bytes dump = kvtest::readFile(dir.file("dump"));
    EXPECT_EQ(std::string(dump.begin(), dump.end()).rfind("VertexCount 8\nFaceCount 12\nTexCoordCount 4\nv -1 -1 -1\n", 0),
              0u);
    EXPECT_NE(runTool("--dump " + dir.file("absent.mvo"), dir.file("log")), 0);
    EXPECT_NE(runTool("only-one-argument", dir.file("log")), 0);
}

// A failure names the file, the side and why.
TEST(MvoConvert, FailuresSayWhichFileAndWhy) {
    kvtest::TempDir dir;
    const std::string notMvo = dir.file("text.mvo");
    std::ofstream(notMvo) << "not a model at all\n";
    std::ofstream(dir.file("cube.obj")) << cubeWithoutNormals();
    const auto message = [&](const std::string& arguments) {
        EXPECT_EQ(runTool(arguments, dir.file("log")) >> 8, 1) << arguments;
        const kvtest::Bytes log = kvtest::readFile(dir.file("log"));
        return std::string(log.begin(), log.end());
    };
    EXPECT_EQ(message("--dump " + dir.file("absent.mvo")),
              "mvoconvert: " + dir.file("absent.mvo") + ": cannot read: No such file or directory (code 0x10000001)\n");
    EXPECT_EQ(message("--dump " + notMvo), "mvoconvert: " + notMvo + ": cannot read: not an MVO file (code 0x00000001)\n");
    EXPECT_EQ(message(dir.file("absent.obj") + " " + dir.file("out.mvo")),
              "mvoconvert: " + dir.file("absent.obj") + ": cannot read: No such file or directory\n");
    const std::string unwritable = dir.file("no-such-folder") + "/out.mvo";
    EXPECT_EQ(message(dir.file("cube.obj") + " " + unwritable),
              "mvoconvert: " + unwritable + ": cannot write: No such file or directory (code 0x10000001)\n");
}

TEST(MvoConvert, SharedPositionWithDistinctNormalsBecomesSeparateVertices) {
    std::istringstream in(cubeWithFaceNormals());
    mvoconvert::Mesh mesh;
    std::string error;
    ASSERT_TRUE(mvoconvert::importObj(in, mesh, error)) << error;
    const MVOBJECT cube = mesh.record();
    EXPECT_EQ(cube.VertexCount, 24u);
    EXPECT_EQ(cube.FaceCount, 12u);
    EXPECT_EQ(cube.TexCoordCount, 0u);
    EXPECT_EQ(cube.TexFaces, nullptr);
    expectOutwardCube(cube);
    const float down[3] = {0, 0, -1};
    for (int corner = 0; corner < 6; ++corner) EXPECT_EQ(dot3(cube.Normals + cube.Faces[corner] * 3, down), 1.0f);
}

TEST(MvoConvert, RelativeIndicesAndMixedTextureCorners) {
    std::istringstream in("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.5 0.5\nf -3/1 -2 -1\n");
    mvoconvert::Mesh mesh;
    std::string error;
    ASSERT_TRUE(mvoconvert::importObj(in, mesh, error)) << error;
    // Corners without a texture coordinate share one added (0, 0) entry.
    EXPECT_EQ(mesh.texCoords, (std::vector<float>{0.5f, 0.5f, 0.0f, 0.0f}));
    EXPECT_EQ(mesh.texFaces, (std::vector<uint32_t>{0, 1, 1}));
    EXPECT_EQ(mesh.normals, (std::vector<float>{0, 0, 1, 0, 0, 1, 0, 0, 1}));
}

TEST(MvoConvert, BrokenObjIsRefusedWithItsLine) {
    for (const auto& [text, message] : std::vector<std::pair<std::string, std::string>>{
             {"v 0 0 0\nv 1 0\n", "line 2"},
             {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2\n", "line 4"},
             {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 0\n", "line 4"},
             {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 -4\n", "line 4"},
             {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/x 2 3\n", "line 4"},
             {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n", "does not define"},
             {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1//2 2 3\n", "does not define"},
             {"v 0 0 0\n", "fewer than 3"},
         }) {
        SCOPED_TRACE(text);
        std::istringstream in(text);
        mvoconvert::Mesh mesh;
        std::string error;
        EXPECT_FALSE(mvoconvert::importObj(in, mesh, error));
        EXPECT_NE(error.find(message), std::string::npos) << error;
    }
}

}  // namespace
