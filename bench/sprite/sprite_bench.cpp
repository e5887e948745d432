// The viewer's frame: a 1024 x 768 picture drawn into a 1920 x 1080 back buffer.
#include <platform/d3dx8.h>
#include <platform/window.h>

#include <benchmark/benchmark.h>

#include <cstring>
#include <ctime>
#include <vector>

namespace {

constexpr UINT kScreenW = 1920, kScreenH = 1080;
constexpr UINT kPictureW = 1024, kPictureH = 768;

struct Scene {
    HWND window = platform::createOffscreenWindow(kScreenW, kScreenH);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    IDirect3DDevice8* device = nullptr;
    ID3DXSprite* sprite = nullptr;
    IDirect3DTexture8* picture = nullptr;

    Scene() {
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = kScreenW;
        pp.BackBufferHeight = kScreenH;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.Windowed = TRUE;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        d3d->CreateDevice(0, D3DDEVTYPE_SW, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        D3DXCreateSprite(device, &sprite);
        D3DXCreateTexture(device, kPictureW, kPictureH, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                          &picture);
        D3DLOCKED_RECT locked{};
        picture->LockRect(0, &locked, nullptr, 0);
        for (UINT y = 0; y < kPictureH; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
            for (UINT x = 0; x < kPictureW; ++x) row[x] = 0xFF000000u | (x * 7 + y * 3) << 8 | (x ^ y);
        }
        picture->UnlockRect(0);
    }

    ~Scene() {
        picture->Release();
        sprite->Release();
        device->Release();
        d3d->Release();
        platform::destroyWindow(window);
    }

    // Centred on the screen, scaled by `zoom` and turned about the picture's centre.
    void drawPicture(float zoom, float angle, D3DCOLOR color = 0xFFFFFFFF) {
        const RECT src{0, 0, kPictureW, kPictureH};
        const D3DXVECTOR2 scaling(zoom, zoom);
        const D3DXVECTOR2 center(kPictureW * zoom / 2, kPictureH * zoom / 2);
        const D3DXVECTOR2 translation((kScreenW - kPictureW * zoom) / 2, (kScreenH - kPictureH * zoom) / 2);
        sprite->Draw(picture, &src, &scaling, &center, angle, &translation, color);
    }
};

// CPU time of this thread, so that other processes on the machine do not count.
double threadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec * 1e-6;
}

template <class Frame>
void run(benchmark::State& state, double pixelsPerFrame, Frame frame) {
    const double start = threadMilliseconds();
    for (auto _ : state) {
        frame();
        benchmark::ClobberMemory();
    }
    const double elapsed = threadMilliseconds() - start;
    state.counters["ms/frame"] = benchmark::Counter(elapsed, benchmark::Counter::kAvgIterations);
    state.counters["MP/s"] = benchmark::Counter(pixelsPerFrame * 1e-3 * state.iterations() / elapsed);
}

void BM_SpriteZoom125Rotated10(benchmark::State& state) {
    Scene scene;
    run(state, kPictureW * kPictureH * 1.25 * 1.25, [&] { scene.drawPicture(1.25f, 10.0f * 0.017453292f); });
}
BENCHMARK(BM_SpriteZoom125Rotated10)->Unit(benchmark::kMillisecond);

// The same with a translucent colour, so every pixel is blended with the background.
void BM_SpriteZoom125Rotated10Blended(benchmark::State& state) {
    Scene scene;
    run(state, kPictureW * kPictureH * 1.25 * 1.25,
        [&] { scene.drawPicture(1.25f, 10.0f * 0.017453292f, 0xC0FFFFFF); });
}
BENCHMARK(BM_SpriteZoom125Rotated10Blended)->Unit(benchmark::kMillisecond);

void BM_SpriteZoom1(benchmark::State& state) {
    Scene scene;
    run(state, kPictureW * kPictureH, [&] { scene.drawPicture(1.0f, 0.0f); });
}
BENCHMARK(BM_SpriteZoom1)->Unit(benchmark::kMillisecond);

void BM_ClearAndPresent(benchmark::State& state) {
    Scene scene;
    run(state, kScreenW * kScreenH, [&] {
        scene.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        scene.device->Present(nullptr, nullptr, nullptr, nullptr);
    });
}
BENCHMARK(BM_ClearAndPresent)->Unit(benchmark::kMillisecond);

// The viewer's whole frame: clear, the rotated picture, present.
void BM_ViewerFrameRotated(benchmark::State& state) {
    Scene scene;
    run(state, kScreenW * kScreenH, [&] {
        scene.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        scene.device->BeginScene();
        scene.drawPicture(1.25f, 10.0f * 0.017453292f);
        scene.device->EndScene();
        scene.device->Present(nullptr, nullptr, nullptr, nullptr);
    });
}
BENCHMARK(BM_ViewerFrameRotated)->Unit(benchmark::kMillisecond);

// The yardstick: copying one 32-bit frame.
void BM_MemcpyFrame(benchmark::State& state) {
    std::vector<uint32_t> from(kScreenW * kScreenH, 1), to(kScreenW * kScreenH);
    run(state, kScreenW * kScreenH, [&] { std::memcpy(to.data(), from.data(), to.size() * 4); });
}
BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
