// The production plane coder against the literal reference, byte for byte in both
// directions, plus the plane-level edge cases.
#include "b1_reference.h"
#include "b1plane.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using Plane = std::vector<uint8_t>;

enum class Kind { Noise, Photo, Constant, Sparse };

Plane makePlane(Kind kind, uint32_t w, uint32_t h, uint32_t seed) {
    Plane p(size_t(w) * h);
    std::mt19937 rng(seed);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t& v = p[size_t(y) * w + x];
            switch (kind) {
                case Kind::Noise: v = uint8_t(rng()); break;
                case Kind::Photo: v = uint8_t((x * 3 + y * 5) / 2 + rng() % 9 + ((x / 9 + y / 7) % 2) * 60); break;
                case Kind::Constant: v = 77; break;
                case Kind::Sparse: v = rng() % 23 == 0 ? uint8_t(rng()) : 0; break;
            }
        }
    return p;
}

Plane encodeProduction(const Plane& p, uint32_t w, uint32_t h, uint32_t quality) {
    Plane stream;
    EXPECT_EQ(kvi::b1::encodePlane(p.data(), w, h, quality, stream), kvi::b1::Ok);
    return stream;
}

constexpr kvi::b1::Search kSearches[] = {kvi::b1::Search::Fastest, kvi::b1::Search::Avx2, kvi::b1::Search::Portable};

// Through every symbol search this processor has, which must all agree.
Plane decodeProduction(const Plane& stream, uint32_t w, uint32_t h, uint32_t quality) {
    Plane fastest;
    for (const kvi::b1::Search search : kSearches) {
        Plane out(size_t(w) * h, 0xAB);
        EXPECT_EQ(kvi::b1::decodePlane(stream.data(), stream.size(), w, h, quality, out.data(), search), kvi::b1::Ok);
        if (fastest.empty()) fastest = out;
        EXPECT_EQ(out, fastest) << "search " << int(search);
    }
    return fastest;
}

struct Size {
    uint32_t w, h;
};

TEST(B1Plane, MatchesLiteralReferenceInBothDirections) {
    const Size sizes[] = {{2, 1}, {1, 2}, {3, 5}, {7, 3}, {32, 32}, {33, 32}, {33, 33}, {34, 40},
                          {64, 64}, {100, 37}, {131, 67}, {300, 200}};
    const uint32_t qualities[] = {0, 1, 50, 90, 99, 100};
    const Kind kinds[] = {Kind::Noise, Kind::Photo, Kind::Constant, Kind::Sparse};
    uint32_t seed = 1;
    for (const Size s : sizes)
        for (const uint32_t q : qualities)
            for (const Kind k : kinds) {
                SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h) + " q" + std::to_string(q) +
                             " kind " + std::to_string(int(k)));
                const Plane plane = makePlane(k, s.w, s.h, seed++);
                const Plane expected = b1ref::encode(plane.data(), int(s.w), int(s.h), int(q));
                const Plane stream = encodeProduction(plane, s.w, s.h, q);
                ASSERT_EQ(stream, expected);
                Plane refOut(plane.size());
                ASSERT_TRUE(b1ref::decode(stream.data(), stream.size(), int(s.w), int(s.h), int(q), refOut.data()));
                ASSERT_EQ(decodeProduction(stream, s.w, s.h, q), refOut);
            }
}

TEST(B1Plane, DecodersAgreeOnArbitraryStreams) {
    // Damaged or foreign streams decode to the same samples in both coders, never past the end.
    std::mt19937 rng(7);
    for (int n = 0; n < 40; ++n) {
        const uint32_t w = 2 + rng() % 70, h = 1 + rng() % 70, q = rng() % 101;
        Plane stream(rng() % 300);
        for (auto& b : stream) b = uint8_t(rng());
        Plane refOut(size_t(w) * h);
        ASSERT_TRUE(b1ref::decode(stream.data(), stream.size(), int(w), int(h), int(q), refOut.data()));
        EXPECT_EQ(decodeProduction(stream, w, h, q), refOut);
    }
    // Streams that pin the coder to its lowest or highest symbols, or wander over all of
    // them, for long enough to pass several rescales of the model.
    for (const int fill : {0x00, 0xFF, -1}) {
        Plane stream(900);
        for (auto& b : stream) b = uint8_t(fill < 0 ? rng() : uint32_t(fill));
        Plane refOut(size_t(300) * 170);
        ASSERT_TRUE(b1ref::decode(stream.data(), stream.size(), 300, 170, 100, refOut.data()));
        EXPECT_EQ(decodeProduction(stream, 300, 170, 100), refOut) << fill;
    }
    // Noise as long as the plane: many bits a symbol, symbols drawn from the whole alphabet.
    Plane noise(512 * 400);
    for (auto& b : noise) b = uint8_t(rng());
    Plane refOut(noise.size());
    ASSERT_TRUE(b1ref::decode(noise.data(), noise.size(), 512, 400, 100, refOut.data()));
    EXPECT_EQ(decodeProduction(noise, 512, 400, 100), refOut);
}

TEST(B1Plane, PlanesDecodedTogetherMatchOneByOne) {
    // Three planes, one of them a damaged stream, into every fourth byte of a picture: the
    // first two share the coder's loop, the third runs alone; the fourth bytes stay as they were.
    const uint32_t w = 131, h = 67, q = 100;
    std::mt19937 rng(11);
    Plane damaged(500);
    for (auto& b : damaged) b = uint8_t(rng());
    const Plane streams[] = {encodeProduction(makePlane(Kind::Photo, w, h, 1), w, h, q), damaged,
                             encodeProduction(makePlane(Kind::Noise, w, h, 2), w, h, q)};
    for (const kvi::b1::Search search : kSearches) {
        Plane picture(size_t(w) * h * 4, 0xAB);
        kvi::b1::PlaneStream planes[3];
        for (size_t c = 0; c < 3; ++c) planes[c] = {streams[c].data(), streams[c].size(), picture.data() + c};
        ASSERT_EQ(kvi::b1::decodePlanes(planes, 3, w, h, q, 4, search), kvi::b1::Ok);
        for (size_t c = 0; c < 4; ++c) {
            const Plane alone = c < 3 ? decodeProduction(streams[c], w, h, q) : Plane(size_t(w) * h, 0xAB);
            Plane gathered(alone.size());
            for (size_t i = 0; i < gathered.size(); ++i) gathered[i] = picture[i * 4 + c];
            EXPECT_EQ(gathered, alone) << "plane " << c << " search " << int(search);
        }
    }
}

TEST(B1Plane, HighQualityIsNearlyLosslessAndConstantIsExact) {
    const Plane photo = makePlane(Kind::Photo, 130, 90, 3);
    const Plane back = decodeProduction(encodeProduction(photo, 130, 90, 100), 130, 90, 100);
    EXPECT_GT(kvtest::psnr(photo, back), 45.0);

    // Long enough (240 * 200 coefficients) to pass the model's rescale at the 16127th symbol.
    const Plane flat = makePlane(Kind::Constant, 240, 200, 0);
    EXPECT_EQ(decodeProduction(encodeProduction(flat, 240, 200, 100), 240, 200, 100), flat);
}

TEST(B1Plane, Quality99And100CodeAlike) {
    const Plane p = makePlane(Kind::Photo, 80, 50, 5);
    EXPECT_EQ(encodeProduction(p, 80, 50, 99), encodeProduction(p, 80, 50, 100));
}

TEST(B1Plane, LevelsAndMirroredPadding) {
    // The first byte names the levels; a padded plane codes exactly like the same plane with
    // its mirror padding written out.
    const Plane small = makePlane(Kind::Photo, 3, 5, 9);
    Plane padded(4 * 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 4; ++x) padded[y * 4 + x] = small[(y < 5 ? y : 4) * 3 + (x < 3 ? x : 2)];
    EXPECT_EQ(encodeProduction(small, 3, 5, 90), encodeProduction(padded, 4, 6, 90));

    const Plane wide = makePlane(Kind::Photo, 33, 32, 4);
    Plane wider(34 * 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 34; ++x) wider[y * 34 + x] = wide[y * 33 + (x < 33 ? x : 32)];
    const Plane s33 = encodeProduction(wide, 33, 32, 50);
    EXPECT_EQ(s33[0], 1);
    EXPECT_EQ(s33, encodeProduction(wider, 34, 32, 50));
    EXPECT_EQ(encodeProduction(makePlane(Kind::Photo, 32, 32, 1), 32, 32, 50)[0], 1);
    EXPECT_EQ(encodeProduction(makePlane(Kind::Photo, 33, 33, 1), 33, 33, 50)[0], 5);
}

TEST(B1Plane, QuantiserStepsOfTheReference) {
    // The reference's steps against the published table (5 levels, rounded to 4 places).
    const struct {
        int quality;
        double q[5];
    } rows[] = {{100, {1.0001, 1.0001, 1.0001, 1.0001, 1.0001}},
                {90, {10.0001, 3.9492, 1.6999, 1.0923, 1.0030}},
                {50, {50.0001, 17.0564, 4.8103, 1.5019, 1.0158}},
                {0, {100.0001, 33.4404, 8.6983, 2.0139, 1.0318}}};
    for (const auto& row : rows) {
        const b1ref::Plane p(64, 64, row.quality);
        for (int l = 1; l <= 5; ++l) EXPECT_NEAR(p.q(l), row.q[l - 1], 0.00005) << row.quality << " " << l;
    }
    EXPECT_DOUBLE_EQ(b1ref::Plane(8, 8, 40).q(1), 60.0001);
}

TEST(B1Plane, RefusesWhatCannotBeCoded) {
    Plane stream{9, 9};
    uint8_t one = 5;
    EXPECT_EQ(kvi::b1::encodePlane(&one, 1, 1, 50, stream), kvi::b1::BadArguments);
    EXPECT_EQ(kvi::b1::encodePlane(&one, 0, 7, 50, stream), kvi::b1::BadArguments);
    const Plane p = makePlane(Kind::Photo, 4, 4, 1);
    EXPECT_EQ(kvi::b1::encodePlane(p.data(), 4, 4, 101, stream), kvi::b1::BadArguments);
    EXPECT_EQ(kvi::b1::decodePlane(stream.data(), stream.size(), 1, 1, 50, &one), kvi::b1::BadArguments);
    EXPECT_EQ(kvi::b1::decodePlane(stream.data(), stream.size(), 0, 9, 50, &one), kvi::b1::BadArguments);
    const kvi::b1::PlaneStream noSamples{stream.data(), stream.size(), nullptr};
    EXPECT_EQ(kvi::b1::decodePlanes(&noSamples, 1, 4, 4, 50, 1), kvi::b1::BadArguments);
    EXPECT_TRUE(b1ref::encode(&one, 1, 1, 50).empty());
}

}  // namespace
