// The worker threads and the split of a draw into tasks: every task runs once whatever the
// threads, and a draw spread over vertex, setup and stripe tasks gives the pixels of the same
// triangles drawn one call at a time on the calling thread. ctest also runs these with more
// threads than cores (KV_RASTER_THREADS=3).
#include "d3d_fixture.h"

#include "../../platform/d3d8/raster/workers.h"

#include <atomic>
#include <random>
#include <string>

namespace {

using platform::d3d8::raster::Workers;

TEST(WorkersTest, EveryTaskRunsOnceInEveryRunWhateverTheThreads) {
    for (int threads : {1, 2, 5}) {
        Workers workers(threads);
        EXPECT_EQ(workers.count(), threads);
        std::vector<std::atomic<int>> runs(300);
        // Many short runs back to back: a worker that wakes late must take nothing from the next.
        for (uint32_t round = 0; round < 200; ++round) {
            const uint32_t tasks = round % 7 == 0 ? 0 : 1 + (round * 37) % 300;
            for (auto& r : runs) r = 0;
            workers.run(tasks, [&](uint32_t task) { runs[task].fetch_add(1); });
            for (uint32_t i = 0; i < runs.size(); ++i)
                ASSERT_EQ(runs[i].load(), i < tasks ? 1 : 0) << threads << " threads, round " << round << ", task " << i;
        }
    }
}

TEST(WorkersTest, RunsFromSeveralThreadsTakeTurns) {
    Workers workers(3);
    std::atomic<uint64_t> sum{0};
    auto caller = [&] {
        for (int i = 0; i < 50; ++i) workers.run(64, [&](uint32_t task) { sum += task; });
    };
    std::thread a(caller), b(caller);
    a.join();
    b.join();
    EXPECT_EQ(sum.load(), 2u * 50u * (63u * 64u / 2u));
}

struct Vertex {
    float x, y, z, rhw;
    D3DCOLOR diffuse;
};

class ThreadedFillTest : public kvtest::D3dFixture {
public:
    // Overlapping triangles at random depths, a few of them large: more vertices than one
    // vertex task, more primitives than one setup task, many crossing stripes of rows.
    static std::vector<Vertex> triangles() {
        std::mt19937 random(11);
        std::uniform_real_distribution<float> x(-40.0f, 340.0f), y(-40.0f, 240.0f), z(0.0f, 1.0f), near(-40.0f, 40.0f);
        std::vector<Vertex> out;
        for (int i = 0; i < 1200; ++i) {
            const float cx = x(random), cy = y(random);
            for (int k = 0; k < 3; ++k) {
                const float px = i % 100 == 0 ? x(random) : cx + near(random);
                const float py = i % 100 == 0 ? y(random) : cy + near(random);
                out.push_back(Vertex{px, py, z(random), 1.0f, static_cast<D3DCOLOR>(random()) | 0x20000000u});
            }
        }
        return out;
    }

    std::vector<uint32_t> draw(bool oneCallEach) {
        EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0), D3D_OK);
        device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
        const std::vector<Vertex> vertices = triangles();
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        if (oneCallEach) {
            for (size_t i = 0; i < vertices.size(); i += 3)
                EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, &vertices[i], sizeof(Vertex)), D3D_OK);
        } else {
            EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(vertices.size() / 3), vertices.data(),
                                              sizeof(Vertex)),
                      D3D_OK);
        }
        EXPECT_EQ(device->EndScene(), D3D_OK);
        std::vector<uint32_t> frame(300 * 200);
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(backBuffer->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        for (UINT row = 0; row < 200; ++row)
            std::memcpy(&frame[size_t(row) * 300], static_cast<uint8_t*>(locked.pBits) + row * locked.Pitch, 300 * 4);
        backBuffer->UnlockRect();
        return frame;
    }

    void expectSameBothWays(const std::string& what) {
        const std::vector<uint32_t> together = draw(false), apart = draw(true);
        size_t differing = 0;
        for (size_t i = 0; i < together.size(); ++i) differing += together[i] != apart[i];
        EXPECT_EQ(differing, 0u) << what;
    }
};

TEST_F(ThreadedFillTest, OneDrawOfManyTrianglesGivesThePixelsOfOneCallPerTriangle) {
    createDevice(300, 200);
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    expectSameBothWays("depth test");
    // Blending makes every pixel depend on the order of the triangles over it.
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    expectSameBothWays("blending");
}

// A clear this large goes to the workers in bands of rows: a rectangle that starts and ends
// inside bands changes exactly its own pixels.
TEST_F(ThreadedFillTest, LargeClearsChangeExactlyTheirRectangle) {
    createDevice(1024, 600);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030, 1.0f, 0), D3D_OK);
    const D3DRECT inside{3, 61, 1000, 590};
    ASSERT_EQ(device->Clear(1, &inside, D3DCLEAR_TARGET, 0xFFA0B0C0, 1.0f, 0), D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(backBuffer->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    size_t wrong = 0;
    for (LONG y = 0; y < 600; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch);
        for (LONG x = 0; x < 1024; ++x) {
            const bool in = x >= inside.x1 && x < inside.x2 && y >= inside.y1 && y < inside.y2;
            wrong += (row[x] & 0xFFFFFF) != (in ? 0xA0B0C0u : 0x102030u);
        }
    }
    backBuffer->UnlockRect();
    EXPECT_EQ(wrong, 0u);
}

}  // namespace
