// The vector vertex stage (SSE2 and AVX2 builds) against the scalar one, bit for bit: random
// positions, normals and matrices under directional and point lights, vertices beyond a
// light's range, at a light and with unusable normals. A vertex processed alone (fewer than
// one vector group) takes the scalar path.
#include "../../platform/d3d8/raster/transform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

using namespace platform::d3d8::raster;

struct Vertex {
    float x, y, z, nx, ny, nz;
};

Matrix randomMatrix(std::mt19937& random) {
    std::uniform_real_distribution<float> any(-2.0f, 2.0f);
    Matrix m;
    for (auto& row : m.m)
        for (float& value : row) value = any(random);
    return m;
}

VertexProgram litProgram(std::mt19937& random, bool normalize) {
    VertexProgram program;
    decodeLayout(0x012, program.layout);  // XYZ | NORMAL
    program.worldView = randomMatrix(random);
    program.worldViewProjection = randomMatrix(random);
    program.normalMatrix = normalMatrix(program.worldView);
    program.lit = true;
    Lighting& lighting = program.lighting;
    lighting.normalize = normalize;
    lighting.ambient = Rgba{0.2f, 0.1f, 0.3f, 1.0f};
    lighting.material = Material{{0.8f, 0.7f, 0.6f, 0.5f}, {0.3f, 0.4f, 0.5f, 1}, {}, {0.05f, 0, 0.1f, 0}, 0};
    Light sun;
    sun.type = LightType::Directional;
    sun.diffuse = Rgba{0.9f, 0.8f, 0.7f, 1};
    sun.ambient = Rgba{0.1f, 0.1f, 0.1f, 1};
    sun.toLight = Vec3{0.36f, 0.48f, 0.8f};
    Light lamp;
    lamp.type = LightType::Point;
    lamp.diffuse = Rgba{0.4f, 0.5f, 0.9f, 1};
    lamp.ambient = Rgba{0.05f, 0.02f, 0.0f, 1};
    lamp.position = Vec3{1.0f, 2.0f, 3.0f};
    lamp.range = 4.0f;  // some vertices are out of reach
    lamp.attenuation[0] = 1.0f, lamp.attenuation[1] = 0.05f, lamp.attenuation[2] = 0.01f;
    Light bare = lamp;  // no attenuation at all: no light
    bare.attenuation[0] = 0.0f, bare.attenuation[1] = 0.0f, bare.attenuation[2] = 0.0f;
    bare.range = 100.0f;
    lighting.lights[0] = sun, lighting.lights[1] = lamp, lighting.lights[2] = bare;
    lighting.lightCount = 3;
    return program;
}

std::vector<Vertex> randomVertices(std::mt19937& random, int count) {
    std::uniform_real_distribution<float> any(-3.0f, 3.0f);
    std::vector<Vertex> out;
    for (int i = 0; i < count; ++i) out.push_back(Vertex{any(random), any(random), any(random), any(random), any(random), any(random)});
    out[1].nx = out[1].ny = out[1].nz = 0.0f;  // a zero normal
    out[2].nx = 1e30f;                          // one that overflows when squared
    return out;
}

// The vector entries leave all but the position, and the diffuse of lit vertices, to the caller.
void expectSame(const std::vector<ClipVertex>& vector, const std::vector<ClipVertex>& scalar, uint32_t count, bool lit,
                const char* what) {
    for (uint32_t i = 0; i < count; ++i) {
        EXPECT_EQ(std::memcmp(vector[i].pos, scalar[i].pos, sizeof vector[i].pos), 0) << what << ": position of vertex " << i;
        if (!lit) continue;
        EXPECT_EQ(std::memcmp(vector[i].v + kDiffuse, scalar[i].v + kDiffuse, 4 * sizeof(float)), 0)
            << what << ": diffuse of vertex " << i;
    }
}

TEST(VertexPathsTest, VectorBuildsGiveTheScalarVertices) {
    std::mt19937 random(7);
    for (int round = 0; round < 12; ++round) {
        VertexProgram program = litProgram(random, round % 2 == 0);
        if (round % 3 == 2) program.lit = false;
        constexpr int kCount = 64;
        const std::vector<Vertex> vertices = randomVertices(random, kCount);
        const auto* bytes = reinterpret_cast<const uint8_t*>(vertices.data());
        std::vector<ClipVertex> scalar(kCount), whole(kCount);
        for (int i = 0; i < kCount; ++i) processVertices(program, bytes + i * sizeof(Vertex), sizeof(Vertex), 1, &scalar[i]);
        processVertices(program, bytes, sizeof(Vertex), kCount, whole.data());
        for (int i = 0; i < kCount; ++i)
            EXPECT_EQ(std::memcmp(&whole[i], &scalar[i], sizeof(ClipVertex)), 0) << "round " << round << ", vertex " << i;

#if defined(__x86_64__) || defined(__i386__)
        std::vector<ClipVertex> sse2(kCount);
        ASSERT_EQ(vectorVerticesSse2(program, bytes, sizeof(Vertex), kCount, sse2.data()), uint32_t(kCount));
        expectSame(sse2, scalar, kCount, program.lit, "SSE2");
        if (!__builtin_cpu_supports("avx2")) continue;
        // Only whole groups of eight.
        std::vector<ClipVertex> avx2(kCount);
        ASSERT_EQ(vectorVerticesAvx2(program, bytes, sizeof(Vertex), kCount - 3, avx2.data()), uint32_t(kCount - 8));
        expectSame(avx2, scalar, kCount - 8, program.lit, "AVX2");
#endif
    }
}

}  // namespace
