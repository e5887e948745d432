// Sprites drawn into a 1920 x 1080 back buffer through ID3DXSprite, each beside pixman
// compositing the same texels (premultiplied, as pixman needs them) with the same geometry:
// bilinear, OVER, the inverse of D3DX's own transformation matrix. Both run in one
// benchmark, alternately; "x pixman" is our speed over pixman's. "mean diff" is the average
// channel difference of one frame drawn by each onto the same background, which shows that
// both drew the same picture. Also the viewer's frame and the memcpy yardstick.
#include <platform/d3dx8.h>
#include <platform/window.h>

#include "d3d_device.h"
#include "sidebyside.h"
#include "testsupport.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr UINT kScreenW = 1920, kScreenH = 1080;
constexpr float kRadians = 0.017453292f;
constexpr uint32_t kBackground = 0xFF203040;

struct Device {
    HWND window = platform::createOffscreenWindow(kScreenW, kScreenH);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    IDirect3DDevice8* device = nullptr;
    ID3DXSprite* sprite = nullptr;

    Device() {
        kvtest::createSoftwareDevice(d3d, window, kvtest::windowedParameters(kScreenW, kScreenH), &device);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        D3DXCreateSprite(device, &sprite);
    }
    ~Device() {
        sprite->Release();
        device->Release();
        d3d->Release();
        platform::destroyWindow(window);
    }

    IDirect3DTexture8* texture(UINT w, UINT h, const std::vector<uint32_t>& texels) {
        IDirect3DTexture8* t = nullptr;
        D3DXCreateTexture(device, w, h, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t);
        D3DLOCKED_RECT locked{};
        t->LockRect(0, &locked, nullptr, 0);
        for (UINT y = 0; y < h; ++y) std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch, &texels[y * w], w * 4);
        t->UnlockRect(0);
        return t;
    }

    std::vector<uint32_t> backBuffer() {
        IDirect3DSurface8* surface = nullptr;
        device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &surface);
        D3DLOCKED_RECT locked{};
        surface->LockRect(&locked, nullptr, D3DLOCK_READONLY);
        std::vector<uint32_t> out(kScreenW * kScreenH);
        for (UINT y = 0; y < kScreenH; ++y)
            std::memcpy(&out[y * kScreenW], static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch, kScreenW * 4);
        surface->UnlockRect();
        surface->Release();
        return out;
    }
};

Device& device() {
    static Device shared;
    return shared;
}

// A photo-like picture whose alpha runs from about 165 to 255, so every pixel blends.
std::vector<uint32_t> spriteTexels(UINT w, UINT h) {
    const kvtest::Bytes rgba = kvtest::makePhotoRgba(w, h, 5);
    std::vector<uint32_t> out(size_t(w) * h);
    std::memcpy(out.data(), rgba.data(), rgba.size());
    return out;
}

std::vector<uint32_t> premultiplied(const std::vector<uint32_t>& texels) {
    std::vector<uint32_t> out(texels.size());
    for (size_t i = 0; i < texels.size(); ++i) {
        const uint32_t a = texels[i] >> 24;
        uint32_t p = a << 24;
        for (int c = 0; c < 24; c += 8) p |= ((((texels[i] >> c) & 0xFF) * a + 127) / 255) << c;
        out[i] = p;
    }
    return out;
}

struct Case {
    const char* name;
    UINT width, height;
    float scale, degrees;
};

// The sprite centred on the screen, scaled, and turned about its centre.
struct Placement {
    RECT source;
    D3DXVECTOR2 scaling, center, translation;
    float angle;
    D3DXMATRIX forward;

    explicit Placement(const Case& c)
        : source{0, 0, LONG(c.width), LONG(c.height)},
          scaling(c.scale, c.scale),
          center(c.width * c.scale / 2, c.height * c.scale / 2),
          translation((kScreenW - c.width * c.scale) / 2, (kScreenH - c.height * c.scale) / 2),
          angle(c.degrees * kRadians) {
        D3DXMatrixTransformation2D(&forward, nullptr, 0.0f, &scaling, &center, angle, &translation);
    }

    // The target rectangle the sprite can touch.
    RECT bounds() const {
        double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
        for (const auto& [u, v] : {std::pair{0.0, 0.0}, {double(source.right), 0.0}, {0.0, double(source.bottom)},
                                  {double(source.right), double(source.bottom)}}) {
            const double x = u * forward._11 + v * forward._21 + forward._41;
            const double y = u * forward._12 + v * forward._22 + forward._42;
            x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
        return RECT{LONG(std::floor(x0)), LONG(std::floor(y0)), LONG(std::ceil(x1)), LONG(std::ceil(y1))};
    }
};

struct Pixman {
    std::vector<uint32_t> texels, target;
    pixman_image_t* source = nullptr;
    pixman_image_t* destination = nullptr;
    RECT box{};

    Pixman(const Case& c, const Placement& p, const std::vector<uint32_t>& straight)
        : texels(premultiplied(straight)), target(size_t(kScreenW) * kScreenH, kBackground) {
        source = pixman_image_create_bits(PIXMAN_a8r8g8b8, int(c.width), int(c.height), texels.data(), int(c.width * 4));
        destination = pixman_image_create_bits(PIXMAN_a8r8g8b8, kScreenW, kScreenH, target.data(), kScreenW * 4);
        D3DXMATRIX inverse;
        D3DXMatrixInverse(&inverse, nullptr, &p.forward);
        pixman_f_transform f{};
        f.m[0][0] = inverse._11, f.m[0][1] = inverse._21, f.m[0][2] = inverse._41;
        f.m[1][0] = inverse._12, f.m[1][1] = inverse._22, f.m[1][2] = inverse._42;
        f.m[2][2] = 1;
        pixman_transform_t t;
        pixman_transform_from_pixman_f_transform(&t, &f);
        pixman_image_set_transform(source, &t);
        pixman_image_set_filter(source, PIXMAN_FILTER_BILINEAR, nullptr, 0);
        // Edge texels repeat, as the sprite clamps its taps; turned sprites need the
        // transparent outside for the corners of their bounding box.
        pixman_image_set_repeat(source, c.degrees == 0 ? PIXMAN_REPEAT_PAD : PIXMAN_REPEAT_NONE);
        box = p.bounds();
    }
    ~Pixman() {
        pixman_image_unref(source);
        pixman_image_unref(destination);
    }

    void draw() {
        pixman_image_composite32(PIXMAN_OP_OVER, source, nullptr, destination, box.left, box.top, 0, 0, box.left,
                                 box.top, box.right - box.left, box.bottom - box.top);
    }
};

double meanDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int c = 0; c < 24; c += 8) sum += std::abs(int((a[i] >> c) & 0xFF) - int((b[i] >> c) & 0xFF));
    return sum / (double(a.size()) * 3);
}

void besidePixman(benchmark::State& state, const Case c) {
    Device& d = device();
    const std::vector<uint32_t> straight = spriteTexels(c.width, c.height);
    IDirect3DTexture8* texture = d.texture(c.width, c.height, straight);
    const Placement p(c);
    Pixman peer(c, p, straight);
    auto ours = [&] { d.sprite->Draw(texture, &p.source, &p.scaling, &p.center, p.angle, &p.translation, 0xFFFFFFFF); };

    d.device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0);
    ours();
    peer.draw();
    state.counters["mean diff"] = meanDifference(d.backBuffer(), peer.target);

    const double pixels = double(c.width) * c.height * c.scale * c.scale;
    kvbench::sideBySide(state, pixels * 1e-6, "MP", ours, {{"pixman", [&] { peer.draw(); }}});
    texture->Release();
}

const bool registered = [] {
    const Case cases[] = {
        {"Scaled2x_960x540", 960, 540, 2.0f, 0.0f},
        {"Unscaled_256x256", 256, 256, 1.0f, 0.0f},
        {"Scaled2xRotated10_960x540", 960, 540, 2.0f, 10.0f},
        {"Scaled2_5xRotated30_256x256", 256, 256, 2.5f, 30.0f},
        {"Scaled1_25xRotated10_1024x768", 1024, 768, 1.25f, 10.0f},
    };
    for (const Case& c : cases)
        benchmark::RegisterBenchmark((std::string("Sprite/") + c.name).c_str(), besidePixman, c)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    return true;
}();

// The viewer's whole frame: clear, the turned picture, present.
void BM_ViewerFrameRotated(benchmark::State& state) {
    Device& d = device();
    const Case c{"", 1024, 768, 1.25f, 10.0f};
    IDirect3DTexture8* texture = d.texture(c.width, c.height, spriteTexels(c.width, c.height));
    const Placement p(c);
    kvbench::sideBySide(
        state, kScreenW * kScreenH * 1e-6, "MP",
        [&] {
            d.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
            d.device->BeginScene();
            d.sprite->Draw(texture, &p.source, &p.scaling, &p.center, p.angle, &p.translation, 0xFFFFFFFF);
            d.device->EndScene();
            d.device->Present(nullptr, nullptr, nullptr, nullptr);
        },
        {});
    texture->Release();
}
BENCHMARK(BM_ViewerFrameRotated)->UseManualTime()->Unit(benchmark::kMillisecond);

// The yardstick: copying one 32-bit frame.
void BM_MemcpyFrame(benchmark::State& state) {
    std::vector<uint32_t> from(kScreenW * kScreenH, 1), to(kScreenW * kScreenH);
    kvbench::sideBySide(state, kScreenW * kScreenH * 1e-6, "MP",
                        [&] { std::memcpy(to.data(), from.data(), to.size() * 4); }, {});
}
BENCHMARK(BM_MemcpyFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
