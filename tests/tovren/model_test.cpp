// Models: loading MVO files, the vertex buffer and log lines they make, the world transform
// and draw state, vertex queries and picking.
#include <tovren/intersection.h>
#include <tovren/camera.h>
#include <tovren/model.h>

#include "mesh_file.h"
#include "render_fixture.h"
#include "testsupport.h"

#include <platform/rasterstats.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using tovtest::facingSquare;
using tovtest::Mesh;
using tovtest::RenderTest;
using tovtest::writeMvo;

std::string readText(const std::string& path) {
    const kvtest::Bytes bytes = kvtest::readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

void expectCoord(const TOVREN_fCoord3& c, float x, float y, float z) {
    EXPECT_NEAR(c.x, x, 1e-6f);
    EXPECT_NEAR(c.y, y, 1e-6f);
    EXPECT_NEAR(c.z, z, 1e-6f);
}

class ModelTest : public RenderTest {
protected:
    void SetUp() override {
        setenv("KV_RASTER_STATS", "1", 1);  // read when the device is created
        RenderTest::SetUp();
    }
    void TearDown() override {
        model.Delete();
        RenderTest::TearDown();
    }
    std::string save(const std::string& name, const Mesh& mesh) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(writeMvo(path, mesh));
        return path;
    }
    std::vector<float> bufferFloats() {
        std::vector<float> floats;
        D3DVERTEXBUFFER_DESC desc{};
        model.vertexBuffer->GetDesc(&desc);
        BYTE* data = nullptr;
        if (SUCCEEDED(model.vertexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY))) {
            floats.resize(desc.Size / 4);
            std::memcpy(floats.data(), data, desc.Size);
            model.vertexBuffer->Unlock();
        }
        return floats;
    }

    kvtest::TempDir dir;
    cTOVREN_Model model;
};

TEST_F(ModelTest, LoadingWritesItsProgressLinesByteForByte) {
    const std::string log = dir.file("log.txt");
    ASSERT_TRUE(TOVREN_DEBUG_Init(log.c_str(), TOVREN_DEBUG_TEXT));
    ASSERT_EQ(model.Load(save("square.mvo", facingSquare(3)).c_str()), 0u);
    const char* lines[] = {"Mvo model loaded!", "Counters copied", "Pointers copied", "All done.",
                           "Vertex buffer created! Size: 144", "Vertex memory allocated!", "Blocks allocated!",
                           "Write... Point #2, Material #0, Face #0", "Write... Point #5, Material #0, Face #1",
                           "Material #0 vertexes  complete", "Block #0... Start pos: 0, Size: 2",
                           "Vertex memory completed!", "Vertex buffer locked!", "Vertex data copied!",
                           "Vertex buffer unlocked!"};
    std::string expected;
    for (const char* line : lines) expected += std::string("\n") + line + "\r\n";
    EXPECT_EQ(readText(log), expected);
    TOVREN_DEBUG_Init(dir.file("elsewhere.txt").c_str(), TOVREN_DEBUG_TEXT);
}

TEST_F(ModelTest, TheVertexBufferHoldsPositionThenNormalOfEveryCornerInFaceOrder) {
    const Mesh mesh{{0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1},
                    {1, 0, 0, 0, 1, 0, 0, 0, 1, 0.5f, 0.5f, 0},
                    {0, 1, 2, 3, 2, 1, 2, 3, 0}};
    ASSERT_EQ(model.Load(save("three.mvo", mesh).c_str()), 0u);
    EXPECT_EQ(model.loaded, 1);
    EXPECT_EQ(model.vertexCount, 4u);
    EXPECT_EQ(model.faceCount, 3u);
    EXPECT_EQ(model.texCoordCount, 0u);
    D3DVERTEXBUFFER_DESC desc{};
    model.vertexBuffer->GetDesc(&desc);
    EXPECT_EQ(desc.Size, 3u * 72);
    EXPECT_EQ(desc.FVF, DWORD{D3DFVF_XYZ | D3DFVF_NORMAL});
    const std::vector<float> floats = bufferFloats();
    ASSERT_EQ(floats.size(), 3u * 18);
    for (size_t corner = 0; corner < 9; ++corner) {
        const uint32_t v = mesh.faces[corner];
        for (size_t c = 0; c < 3; ++c) {
            EXPECT_EQ(floats[corner * 6 + c], mesh.positions[v * 3 + c]) << corner;
            EXPECT_EQ(floats[corner * 6 + 3 + c], mesh.normals[v * 3 + c]) << corner;
        }
        EXPECT_EQ(model.faces[corner / 3].cornerCount, 3u);
        EXPECT_EQ(model.faces[corner / 3].vertex[corner % 3], v);
    }
    EXPECT_EQ(model.blocks[0].firstVertex, 0u);
    EXPECT_EQ(model.blocks[0].triangleCount, 3u);
}

TEST_F(ModelTest, NamesFilesAndFacesThatAreRefused) {
    const std::string good = save("good.mvo", facingSquare(1));
    const std::string upper = dir.file("good.MVO");
    std::filesystem::copy_file(good, upper);
    EXPECT_EQ(model.Load(upper.c_str()), 0x60000001u);  // the ending is compared case-sensitively
    EXPECT_EQ(model.Load("vo"), 0x60000001u);
    EXPECT_EQ(model.Load(nullptr), 0x60000001u);
    const std::string noDot = dir.file("goodmvo");
    std::filesystem::copy_file(good, noDot);
    EXPECT_EQ(model.Load(noDot.c_str()), 0u);
    model.Delete();

    // MVObject's own codes come back unchanged.
    EXPECT_EQ(model.Load(dir.file("missing.mvo").c_str()), 0x10000001u);
    const std::string wrongMagic = dir.file("magic.mvo");
    kvtest::writeFile(wrongMagic, {'m', 'v', 'o', 1, 1, 1, 0});
    EXPECT_EQ(model.Load(wrongMagic.c_str()), 1u);

    // A face naming vertex 4 of four: drawing and picking would read past the arrays.
    Mesh outside = facingSquare(1);
    outside.faces[4] = 4;
    EXPECT_EQ(model.Load(save("outside.mvo", outside).c_str()), 0x60000005u);
    EXPECT_EQ(model.loaded, 0);
    EXPECT_EQ(model.vertices, nullptr);
    EXPECT_EQ(model.faces, nullptr);
    EXPECT_EQ(model.vertexBuffer, nullptr);
}

TEST_F(ModelTest, RotationsTurnXThenYThenZAndVertexQueriesAreNotMoved) {
    expectCoord(model.RotateVertex({0, 1, 0}, {90, 0, 0}), 0, 0, 1);
    expectCoord(model.RotateVertex({1, 0, 0}, {0, 0, 90}), 0, 1, 0);
    expectCoord(model.RotateVertex({1, 0, 0}, {0, 90, 0}), 0, 0, -1);
    // X first: (0, 1, 0) goes to (0, 0, 1), which Y then turns to (1, 0, 0).
    expectCoord(model.RotateVertex({0, 1, 0}, {90, 90, 0}), 1, 0, 0);

    ASSERT_EQ(model.Load(save("square.mvo", facingSquare(2)).c_str()), 0u);
    expectCoord(model.GetVertexWorldPosition(1, {10, 20, 30}, {0, 0, 90}), -1, -1, 2);
    expectCoord(model.position, 10, 20, 30);
    expectCoord(model.rotation, 0, 0, 90);
    expectCoord(model.GetVertexWorldPosition(4, {5, 5, 5}, {1, 2, 3}), 0, 0, 0);
    expectCoord(model.position, 10, 20, 30);  // unchanged by an index past the end
}

TEST_F(ModelTest, DrawSetsTheWorldTransformAndTheModelsStreamInEveryMode) {
    ASSERT_EQ(model.Load(save("square.mvo", facingSquare(2)).c_str()), 0u);
    IDirect3DDevice8* device = devices.device;
    const TOVREN_fCoord3 position{1, 2, 3}, rotation{0, 90, 0};
    const D3DXMATRIX zero;
    beginFrame();
    for (uint32_t mode : {0u, 1u, 2u, 3u, 4u, 7u}) {
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetTransform(D3DTS_WORLD, &zero);
        platform::resetRasterStats();
        model.Draw(position, rotation, mode);
        // Modes 2 and 7 draw nothing; the others hand both triangles to the device at once.
        EXPECT_EQ(platform::rasterStats().trianglesIn, (mode == 2 || mode == 7) ? 0u : 2u) << mode;
        D3DXMATRIX world;
        device->GetTransform(D3DTS_WORLD, &world);
        // Row vectors: (1, 0, 0) turns to (0, 0, -1) about Y, then moves by the position.
        D3DXVECTOR3 moved;
        const D3DXVECTOR3 unitX(1, 0, 0);
        D3DXVec3TransformCoord(&moved, &unitX, &world);
        EXPECT_NEAR(moved.x, 1, 1e-6f) << mode;
        EXPECT_NEAR(moved.y, 2, 1e-6f) << mode;
        EXPECT_NEAR(moved.z, 2, 1e-6f) << mode;
        DWORD blending = 0;
        device->GetRenderState(D3DRS_ALPHABLENDENABLE, &blending);
        EXPECT_EQ(blending, (mode == 0 || mode == 3 || mode == 4) ? DWORD{FALSE} : DWORD{TRUE}) << mode;
    }
    IDirect3DVertexBuffer8* stream = nullptr;
    UINT stride = 0;
    device->GetStreamSource(0, &stream, &stride);
    EXPECT_EQ(stream, model.vertexBuffer);
    EXPECT_EQ(stride, 24u);
    if (stream) stream->Release();
    DWORD shader = 0;
    device->GetVertexShader(&shader);
    EXPECT_EQ(shader, DWORD{D3DFVF_XYZ | D3DFVF_NORMAL});
    expectCoord(model.position, 1, 2, 3);

    // An empty model only sets the world transform.
    cTOVREN_Model empty;
    empty.Draw({4, 5, 6}, {0, 0, 0});
    D3DXMATRIX world;
    device->GetTransform(D3DTS_WORLD, &world);
    EXPECT_EQ(world._41, 4.0f);
    EXPECT_EQ(world._43, 6.0f);
}

TEST_F(ModelTest, TexturePathListAndTheLifeOfTheArrays) {
    model.AddTexturePath("a");
    model.AddTexturePath("bc");
    ASSERT_NE(model.texturePaths, nullptr);
    EXPECT_STREQ(model.texturePaths, "a|bc|");
    EXPECT_EQ(model.texturePathSize, 6u);
    model.FreeTexturePaths();
    EXPECT_EQ(model.texturePaths, nullptr);
    EXPECT_EQ(model.texturePathSize, 0u);
    model.FreeTexturePaths();  // nothing to do

    ASSERT_EQ(model.Load(save("square.mvo", facingSquare(2)).c_str()), 0u);
    // A copy shares everything; DeleteVB keeps the arrays so that the buffer can be rebuilt.
    const cTOVREN_Model copy = model;
    EXPECT_EQ(copy.vertexBuffer, model.vertexBuffer);
    EXPECT_EQ(copy.vertices, model.vertices);
    EXPECT_EQ(model.DeleteVB(), 0u);
    EXPECT_EQ(model.vertexBuffer, nullptr);
    EXPECT_EQ(model.loaded, 1);
    ASSERT_EQ(model.GenerateFromBuffer(), 0u);
    EXPECT_EQ(bufferFloats().size(), 2u * 18);
    // Delete empties the model and frees the arrays (the sanitizer build checks for leaks).
    EXPECT_EQ(model.Delete(), 0u);
    EXPECT_EQ(model.loaded, 0);
    EXPECT_EQ(model.vertexCount, 0u);
    EXPECT_EQ(model.faceCount, 0u);
    EXPECT_EQ(model.vertices, nullptr);
    EXPECT_EQ(model.faces, nullptr);
    EXPECT_EQ(model.vertexBuffer, nullptr);
}

TEST_F(ModelTest, LinesAndPicksFindTheModelWhereItStands) {
    ASSERT_EQ(model.Load(save("square.mvo", facingSquare(0)).c_str()), 0u);
    model.position = {0, 0, 10};
    model.rotation = {0, 0, 0};
    cTOVREN_Intersection test;
    // Lines are relative to the model's position.
    const cTOVREN_Vector3 through[2] = {cTOVREN_Vector3(0.5f, 0.5f, -1), cTOVREN_Vector3(0.5f, 0.5f, 1)};
    const cTOVREN_Vector3 beside[2] = {cTOVREN_Vector3(1.2f, 0.1f, -1), cTOVREN_Vector3(1.2f, 0.1f, 1)};
    EXPECT_TRUE(test.IntersectedModel(model, through));
    EXPECT_FALSE(test.IntersectedModel(model, beside));
    model.rotation = {0, 0, 45};  // a diamond now, reaching x = 1.41 on the axis
    EXPECT_TRUE(test.IntersectedModel(model, beside));

    // The camera at the origin looking along +z: the centre of the viewport casts along the
    // view, straight at the square's front.
    cTOVREN_Camera camera;
    camera.Apply();
    model.rotation = {0, 0, 0};
    EXPECT_TRUE(test.PickTriangle(model, kWidth / 2, kHeight / 2, kWidth, kHeight));
    EXPECT_FALSE(test.PickTriangle(model, 5, 5, kWidth, kHeight));
    EXPECT_FALSE(test.PickTriangle(model, kWidth / 2, kHeight / 2, 0, kHeight));
    // Turned round, the square shows its back: no front face under the centre.
    model.rotation = {0, 180, 0};
    EXPECT_FALSE(test.PickTriangle(model, kWidth / 2, kHeight / 2, kWidth, kHeight));
    // The camera turned away: the square is behind, and hits behind the eye count.
    model.rotation = {0, 0, 0};
    camera.viewAngles = {0, 180, 0};
    camera.Apply();
    EXPECT_FALSE(test.PickTriangle(model, kWidth / 2, kHeight / 2, kWidth, kHeight));
    // Moved aside, then looked at.
    model.position = {30, 0, 0};
    camera.viewAngles = {0, 90, 0};
    camera.Apply();
    model.rotation = {0, 90, 0};  // its front turned to face -x, towards the camera
    EXPECT_TRUE(test.PickTriangle(model, kWidth / 2, kHeight / 2, kWidth, kHeight));
}

}  // namespace
