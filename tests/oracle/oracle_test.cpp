// Scenes drawn by the software device and by Mesa's GL must agree pixel for pixel, up to a
// few levels, except where the picture has an edge.
#include "compare.h"
#include "scenes.h"

#include <scene3d/device_renderer.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace kvtest::scene3d {
namespace {

void writePictures(const std::string& name, const Image& expected, const Image& got, const std::vector<uint8_t>& edges) {
    const std::filesystem::path dir = KV_ORACLE_PICTURES_DIR;
    std::filesystem::create_directories(dir);
    writePpm((dir / (name + "-gl.ppm")).string(), expected);
    writePpm((dir / (name + "-device.ppm")).string(), got);
    writePpm((dir / (name + "-diff.ppm")).string(), differencePicture(expected, got, edges));
}

void expectSameAsGl(const Scene& scene) {
    std::string whyNot;
    if (!GlContext::current(&whyNot)) GTEST_SKIP() << "no GL oracle: " << whyNot;
    GlRenderer gl(scene);
    ASSERT_TRUE(gl.render()) << gl.error();
    const Image expected = gl.read();
    std::vector<uint8_t> edges = edgePixels(gl, expected);
    ASSERT_FALSE(edges.empty()) << gl.error();
    addLineEnds(scene, edges);

    DeviceRenderer device(scene);
    ASSERT_TRUE(device.error().empty()) << device.error();
    ASSERT_TRUE(device.render()) << device.error();
    const Image got = device.read();

    const Comparison c = compareImages(expected, got, edges);
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const bool keep = std::getenv("KV_ORACLE_PICTURES") != nullptr;
    EXPECT_GE(c.closeShare(), 0.99) << c.total - c.close << " of " << c.total << " pixels differ";
    EXPECT_EQ(c.offEdge, 0u) << "first difference away from an edge at " << c.firstOffEdge;
    if (keep || ::testing::Test::HasFailure()) {
        writePictures(name, expected, got, edges);
        std::printf("pictures: %s/%s-{gl,device,diff}.ppm\n", KV_ORACLE_PICTURES_DIR, name.c_str());
    }
}

TEST(Oracle, LitSphere) { expectSameAsGl(litSphere()); }
TEST(Oracle, EightLightsAndPointFill) { expectSameAsGl(eightLightsAndPointFill()); }
TEST(Oracle, TexturedFloorPoint) { expectSameAsGl(texturedFloor(D3DTEXF_POINT)); }
TEST(Oracle, TexturedFloorBilinear) { expectSameAsGl(texturedFloor(D3DTEXF_LINEAR)); }
TEST(Oracle, InterpenetratingCubes) { expectSameAsGl(interpenetratingCubes()); }
TEST(Oracle, BoxAroundCamera) { expectSameAsGl(boxAroundCamera()); }
TEST(Oracle, BlendedQuads) { expectSameAsGl(blendedQuads()); }
TEST(Oracle, WireframeSphere) { expectSameAsGl(wireframeSphere()); }
TEST(Oracle, PrimitiveAssembly) { expectSameAsGl(primitiveAssembly()); }
TEST(Oracle, TextureStages) { expectSameAsGl(textureStages()); }

}  // namespace
}  // namespace kvtest::scene3d
