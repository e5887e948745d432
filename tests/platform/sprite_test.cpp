#include "d3d_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

namespace {

constexpr uint32_t kBackground = 0xFF000000;

// A texel value that differs in every channel from its neighbours.
uint32_t pattern(UINT x, UINT y) { return 0xFF000000u | (x * 37 + y * 11) << 16 | (x * 5 + y * 53) << 8 | (x ^ y) * 29; }

class SpriteTest : public kvtest::D3dFixture {
public:
    void SetUp() override {
        createDevice(96, 80);
        ASSERT_EQ(D3DXCreateSprite(device, &sprite), D3D_OK);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0);
    }
    void TearDown() override {
        if (sprite) sprite->Release();
        D3dFixture::TearDown();
    }

    void setFilter(D3DTEXTUREFILTERTYPE filter) {
        device->SetTextureStageState(0, D3DTSS_MINFILTER, filter);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, filter);
    }

    std::vector<uint32_t> frame() {
        std::vector<uint32_t> pixels(96 * 80);
        for (int32_t y = 0; y < 80; ++y)
            for (int32_t x = 0; x < 96; ++x) pixels[y * 96 + x] = pixel(x, y);
        return pixels;
    }

    ID3DXSprite* sprite = nullptr;
};

// The reference: each target pixel centre mapped back through the inverse of D3DX's own
// 2D transformation matrix, then sampled in double precision.
struct Reference {
    D3DXMATRIX inverse;
    RECT src;
    std::vector<uint32_t> texels;
    UINT pitch;
    bool linear;

    bool sample(double x, double y, uint32_t& out, double& edgeDistance) const {
        const double u = x * inverse._11 + y * inverse._21 + inverse._41;
        const double v = x * inverse._12 + y * inverse._22 + inverse._42;
        const double w = src.right - src.left, h = src.bottom - src.top;
        edgeDistance = std::min({std::fabs(u), std::fabs(v), std::fabs(u - w), std::fabs(v - h)});
        if (u < 0 || v < 0 || u >= w || v >= h) return false;
        auto texel = [&](int tx, int ty) {
            tx = std::clamp(tx, 0, int(w) - 1);
            ty = std::clamp(ty, 0, int(h) - 1);
            return texels[(src.top + ty) * pitch + src.left + tx];
        };
        if (!linear) {
            out = texel(int(std::floor(u)), int(std::floor(v)));
            return true;
        }
        const double fu = u - 0.5, fv = v - 0.5;
        const int ix = int(std::floor(fu)), iy = int(std::floor(fv));
        const double ax = fu - ix, ay = fv - iy;
        out = 0;
        for (int c = 0; c < 32; c += 8) {
            auto ch = [&](uint32_t t) { return double((t >> c) & 0xFF); };
            const double top = ch(texel(ix, iy)) * (1 - ax) + ch(texel(ix + 1, iy)) * ax;
            const double bottom = ch(texel(ix, iy + 1)) * (1 - ax) + ch(texel(ix + 1, iy + 1)) * ax;
            out |= uint32_t(std::lround(top * (1 - ay) + bottom * ay)) << c;
        }
        return true;
    }
};

int channelDistance(uint32_t a, uint32_t b) {
    int worst = 0;
    for (int c = 0; c < 32; c += 8) worst = std::max(worst, std::abs(int((a >> c) & 0xFF) - int((b >> c) & 0xFF)));
    return worst;
}

struct Placement {
    float sx, sy, cx, cy, angle, tx, ty;
};

// Draws `src` of a 16 x 16 patterned texture and compares every pixel with the reference:
// exactly when `tolerance` is 0, else within it away from the sprite's edges.
void expectMatchesReference(SpriteTest& test, ID3DXSprite* sprite, IDirect3DDevice8* device, const RECT& src,
                            const Placement& p, bool linear, int tolerance) {
    std::vector<uint32_t> texels(16 * 16);
    for (UINT y = 0; y < 16; ++y)
        for (UINT x = 0; x < 16; ++x) texels[y * 16 + x] = pattern(x, y);
    IDirect3DTexture8* texture = test.makeTexture(16, 16, pattern);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0);
    const D3DXVECTOR2 scaling(p.sx, p.sy), center(p.cx, p.cy), translation(p.tx, p.ty);
    ASSERT_EQ(sprite->Draw(texture, &src, &scaling, &center, p.angle, &translation, 0xFFFFFFFF), D3D_OK);
    texture->Release();

    D3DXMATRIX forward;
    D3DXMatrixTransformation2D(&forward, nullptr, 0.0f, &scaling, &center, p.angle, &translation);
    Reference reference{forward, src, texels, 16, linear};
    ASSERT_NE(D3DXMatrixInverse(&reference.inverse, nullptr, &forward), nullptr);
    const std::vector<uint32_t> drawn = test.frame();
    int mismatches = 0;
    for (int32_t y = 0; y < 80; ++y)
        for (int32_t x = 0; x < 96; ++x) {
            uint32_t expected = kBackground;
            double edge = 0;
            const bool inside = reference.sample(x + 0.5, y + 0.5, expected, edge);
            if (!inside) expected = kBackground;
            if (tolerance > 0 && edge < 0.01) continue;  // coverage of a centre on the edge is a tie
            const int distance = channelDistance(drawn[y * 96 + x], expected);
            if (distance > tolerance && ++mismatches < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " drew " << std::hex << drawn[y * 96 + x]
                              << " expected " << expected;
        }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(SpriteTest, UnscaledUnrotatedLandsPixelExactWithEitherFilter) {
    const RECT src{1, 2, 13, 11};
    for (auto filter : {D3DTEXF_POINT, D3DTEXF_LINEAR}) {
        setFilter(filter);
        expectMatchesReference(*this, sprite, device, src, {1, 1, 0, 0, 0, 10, 5}, false, 0);
    }
}

TEST_F(SpriteTest, QuarterTurnsAndMirrorsAreExact) {
    const RECT src{2, 1, 14, 9};  // 12 x 8, centre (6, 4)
    for (auto filter : {D3DTEXF_POINT, D3DTEXF_LINEAR}) {
        setFilter(filter);
        for (int quarter = 1; quarter < 4; ++quarter) {
            SCOPED_TRACE(quarter);
            expectMatchesReference(*this, sprite, device, src, {1, 1, 6, 4, quarter * 1.5707964f, 30, 20}, false, 0);
        }
        expectMatchesReference(*this, sprite, device, src, {-1, 1, 0, 0, 0, 42, 20}, false, 0);
        expectMatchesReference(*this, sprite, device, src, {1, -1, 0, 0, 0, 30, 28}, false, 0);
        expectMatchesReference(*this, sprite, device, src, {-1, -1, 0, 0, 0, 42, 28}, false, 0);
    }
}

TEST_F(SpriteTest, ScaledAndRotatedFollowTheReferenceTransform) {
    const RECT src{0, 0, 16, 16};
    setFilter(D3DTEXF_POINT);
    expectMatchesReference(*this, sprite, device, src, {3, 3, 0, 0, 0, 7, 3}, false, 0);
    expectMatchesReference(*this, sprite, device, src, {2.5f, 1.75f, 20, 14, 0.3f, 25, 20}, false, 1);
    setFilter(D3DTEXF_LINEAR);
    expectMatchesReference(*this, sprite, device, src, {1.25f, 1.25f, 10, 10, 0.1745f, 30, 20}, true, 3);
    expectMatchesReference(*this, sprite, device, src, {3.7f, 2.2f, 30, 17, -2.5f, 20, 25}, true, 3);
    expectMatchesReference(*this, sprite, device, src, {0.6f, 0.8f, 0, 0, 0.7f, 40, 30}, true, 3);
}

TEST_F(SpriteTest, TexelsNeverBleedInFromOutsideTheSourceRectangle) {
    IDirect3DTexture8* texture = makeTexture(16, 16, [](UINT x, UINT y) {
        return x >= 4 && x < 12 && y >= 4 && y < 12 ? 0xFF00FF00u : 0xFFFF0000u;
    });
    setFilter(D3DTEXF_LINEAR);
    const RECT src{4, 4, 12, 12};
    const D3DXVECTOR2 scaling(5.3f, 4.1f), center(20, 16), translation(20, 10);
    ASSERT_EQ(sprite->Draw(texture, &src, &scaling, &center, 0.5f, &translation, 0xFFFFFFFF), D3D_OK);
    texture->Release();
    int green = 0;
    for (uint32_t value : frame()) {
        EXPECT_EQ(value & 0x00FF0000u, 0u);
        green += (value & 0xFF00) != 0;
    }
    EXPECT_GT(green, 1000);
}

TEST_F(SpriteTest, FiltersComeFromStageZero) {
    IDirect3DTexture8* texture = makeTexture(2, 1, [](UINT x, UINT) { return x ? 0xFFFFFFFFu : 0xFF000000u; });
    const D3DXVECTOR2 scaling(8, 8);
    setFilter(D3DTEXF_POINT);
    sprite->Draw(texture, nullptr, &scaling, nullptr, 0, nullptr, 0xFFFFFFFF);
    for (int32_t x = 0; x < 16; ++x) EXPECT_EQ(pixel(x, 3), x < 8 ? 0xFF000000u : 0xFFFFFFFFu);
    setFilter(D3DTEXF_LINEAR);
    sprite->Draw(texture, nullptr, &scaling, nullptr, 0, nullptr, 0xFFFFFFFF);
    EXPECT_EQ(pixel(0, 3), 0xFF000000u);   // clamped at the edge
    EXPECT_EQ(pixel(15, 3), 0xFFFFFFFFu);
    const uint32_t middle = pixel(8, 3) & 0xFF;
    EXPECT_GT(middle, 0x70u);
    EXPECT_LT(middle, 0x90u);
    EXPECT_LT(pixel(6, 3) & 0xFF, middle);
    texture->Release();
}

TEST_F(SpriteTest, ColourModulatesAndSourceAlphaBlends) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    IDirect3DTexture8* white = makeTexture(4, 4, [](UINT, UINT) { return 0xFFFFFFFFu; });
    IDirect3DTexture8* halfRed = makeTexture(4, 4, [](UINT, UINT) { return 0x80FF0000u; });
    IDirect3DTexture8* clear = makeTexture(4, 4, [](UINT, UINT) { return 0x00FFFFFFu; });
    IDirect3DTexture8* opaque = makeTexture(4, 4, [](UINT, UINT) { return 0x0000FF00u; }, D3DFMT_X8R8G8B8);
    const D3DXVECTOR2 at[] = {{0, 0}, {8, 0}, {16, 0}, {24, 0}, {32, 0}};
    sprite->Draw(white, nullptr, nullptr, nullptr, 0, &at[0], 0xFF00FF00);
    sprite->Draw(halfRed, nullptr, nullptr, nullptr, 0, &at[1], 0xFFFFFFFF);
    sprite->Draw(clear, nullptr, nullptr, nullptr, 0, &at[2], 0xFFFFFFFF);
    sprite->Draw(opaque, nullptr, nullptr, nullptr, 0, &at[3], 0xFFFFFFFF);  // X8: stored alpha ignored
    sprite->Draw(white, nullptr, nullptr, nullptr, 0, &at[4], 0x40FFFFFF);
    EXPECT_EQ(pixel(1, 1), 0xFF00FF00u);
    const uint32_t mixed = pixel(9, 1);
    EXPECT_NEAR(double((mixed >> 16) & 0xFF), 128.0, 1.0);
    EXPECT_NEAR(double(mixed & 0xFF), 127.0, 1.0);
    EXPECT_EQ(pixel(17, 1), 0xFF0000FFu);
    EXPECT_EQ(pixel(25, 1) & 0xFFFFFF, 0x00FF00u);
    EXPECT_NEAR(double((pixel(33, 1) >> 16) & 0xFF), 64.0, 1.0);
    for (auto* t : {white, halfRed, clear, opaque}) t->Release();
}

// Drawing skips blending for textures whose texels are all opaque; any change to the
// texels, by a lock or by rendering into the texture, must bring blending back.
TEST_F(SpriteTest, OpaqueShortcutFollowsTheTextureContents) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    IDirect3DTexture8* texture = makeTexture(4, 4, [](UINT, UINT) { return 0xFFFF0000u; });
    sprite->Draw(texture, nullptr, nullptr, nullptr, 0, nullptr, 0xFFFFFFFF);
    EXPECT_EQ(pixel(1, 1), 0xFFFF0000u);

    D3DLOCKED_RECT locked{};
    const RECT one{1, 1, 2, 2};
    ASSERT_EQ(texture->LockRect(0, &locked, &one, 0), D3D_OK);
    *static_cast<uint32_t*>(locked.pBits) = 0x00FFFFFFu;
    texture->UnlockRect(0);
    sprite->Draw(texture, nullptr, nullptr, nullptr, 0, nullptr, 0xFFFFFFFF);
    EXPECT_EQ(pixel(1, 1), 0xFFFF0000u);  // the transparent texel let the earlier red through
    EXPECT_EQ(pixel(0, 0), 0xFFFF0000u);

    IDirect3DSurface8* level = nullptr;
    texture->GetSurfaceLevel(0, &level);
    device->SetRenderTarget(level, nullptr);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    device->SetRenderTarget(backBuffer, nullptr);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    sprite->Draw(texture, nullptr, nullptr, nullptr, 0, nullptr, 0xFFFFFFFF);
    EXPECT_EQ(pixel(2, 2), 0xFF0000FFu);
    level->Release();
    texture->Release();
}

TEST_F(SpriteTest, BadSourcesAreRefusedOrCutWithoutMovingTheRest) {
    IDirect3DTexture8* texture = makeTexture(8, 8, pattern);
    EXPECT_EQ(sprite->Draw(nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0xFFFFFFFF), D3DERR_INVALIDCALL);
    const RECT empty{4, 4, 4, 8};
    EXPECT_EQ(sprite->Draw(texture, &empty, nullptr, nullptr, 0, nullptr, 0xFFFFFFFF), D3D_OK);
    EXPECT_EQ(pixel(0, 0), kBackground);
    setFilter(D3DTEXF_POINT);
    const RECT overhang{-2, -1, 6, 5};
    const D3DXVECTOR2 translation(10, 10);
    EXPECT_EQ(sprite->Draw(texture, &overhang, nullptr, nullptr, 0, &translation, 0xFFFFFFFF), D3D_OK);
    EXPECT_EQ(pixel(11, 10), kBackground);
    EXPECT_EQ(pixel(12, 11), pattern(0, 0));
    EXPECT_EQ(pixel(17, 15), pattern(5, 4));
    EXPECT_EQ(pixel(18, 15), kBackground);

    // Degenerate and absurd placements draw nothing and touch no memory outside the target.
    const float nan = std::nanf("");
    const D3DXVECTOR2 flat(0, 1), notANumber(nan, 1), far(1e30f, -1e30f), tiny(1e-7f, 1e-7f), huge(1e6f, 1e6f);
    const RECT extreme{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    EXPECT_EQ(sprite->Draw(texture, nullptr, &flat, nullptr, 0, nullptr, 0xFFFFFFFF), D3D_OK);
    EXPECT_EQ(sprite->Draw(texture, nullptr, &notANumber, nullptr, 0, nullptr, 0xFFFFFFFF), D3D_OK);
    EXPECT_EQ(sprite->Draw(texture, nullptr, nullptr, nullptr, nan, &far, 0xFFFFFFFF), D3D_OK);
    EXPECT_EQ(sprite->Draw(texture, &extreme, &tiny, nullptr, 0, nullptr, 0xFFFFFFFF), D3D_OK);
    EXPECT_EQ(sprite->Draw(texture, &extreme, &huge, nullptr, 1.0f, nullptr, 0xFFFFFFFF), D3D_OK);
    for (int32_t y = 0; y < 80; y += 7)
        for (int32_t x = 30; x < 96; x += 7) EXPECT_EQ(pixel(x, y), kBackground);

    // A texture cannot be drawn into itself while it is the render target.
    IDirect3DSurface8* level = nullptr;
    texture->GetSurfaceLevel(0, &level);
    device->SetRenderTarget(level, nullptr);
    EXPECT_EQ(sprite->Draw(texture, nullptr, nullptr, nullptr, 0, nullptr, 0xFFFFFFFF), D3DERR_INVALIDCALL);
    device->SetRenderTarget(backBuffer, nullptr);
    level->Release();
    texture->Release();
}

TEST_F(SpriteTest, DrawTransformTakesTheMatrixRows) {
    setFilter(D3DTEXF_POINT);
    IDirect3DTexture8* texture = makeTexture(8, 8, pattern);
    D3DXMATRIX m;
    D3DXMatrixScaling(&m, 2, 2, 1);
    m._41 = 20;
    m._42 = 4;
    ASSERT_EQ(sprite->DrawTransform(texture, nullptr, &m, 0xFFFFFFFF), D3D_OK);
    EXPECT_EQ(pixel(20, 4), pattern(0, 0));
    EXPECT_EQ(pixel(35, 19), pattern(7, 7));
    EXPECT_EQ(pixel(36, 19), kBackground);
    EXPECT_EQ(sprite->Begin(), D3D_OK);
    EXPECT_EQ(sprite->Begin(), D3DERR_INVALIDCALL);
    EXPECT_EQ(sprite->End(), D3D_OK);
    texture->Release();
}

// Random placements, sources and filters never write outside the viewport; the sanitizer
// builds also catch any read outside the texture.
TEST_F(SpriteTest, RandomPlacementsStayInsideTheViewport) {
    constexpr uint32_t kSentinel = 0xFF123456;
    IDirect3DTexture8* texture = makeTexture(16, 8, pattern);
    D3DVIEWPORT8 viewport{20, 15, 50, 40, 0.0f, 1.0f};
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kSentinel, 1.0f, 0);
    ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> place(-80.0f, 160.0f), scale(-4.0f, 4.0f), angle(-7.0f, 7.0f);
    std::uniform_int_distribution<int> edge(-4, 20), filter(1, 2);
    for (int i = 0; i < 3000; ++i) {
        setFilter(static_cast<D3DTEXTUREFILTERTYPE>(filter(random)));
        const RECT src{edge(random), edge(random), edge(random), edge(random)};
        const D3DXVECTOR2 scaling(scale(random), scale(random)), center(place(random), place(random)),
            translation(place(random), place(random));
        ASSERT_EQ(sprite->Draw(texture, &src, &scaling, &center, angle(random), &translation, 0x80FFFFFFu), D3D_OK);
    }
    int inside = 0;
    for (int32_t y = 0; y < 80; ++y)
        for (int32_t x = 0; x < 96; ++x) {
            const bool inViewport = x >= 20 && x < 70 && y >= 15 && y < 55;
            if (!inViewport) {
                ASSERT_EQ(pixel(x, y), kSentinel) << x << "," << y;
            }
            inside += inViewport && pixel(x, y) != kSentinel;
        }
    EXPECT_GT(inside, 500);
    texture->Release();
}

}  // namespace
