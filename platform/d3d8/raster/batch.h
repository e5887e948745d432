// Triangles set up by one task of a draw, in draw order, and for each stripe of rows of the
// clip rectangle the triangles that reach into it. The fill draws stripe by stripe, each
// taking the batches in order, so every pixel sees the triangles in draw order whichever
// thread sets them up or draws the stripe.
#pragma once

#include "setup.h"

#include <algorithm>
#include <new>
#include <vector>

namespace platform::d3d8::raster {

constexpr int32_t kStripeRows = 32;

// The stripes of a clip rectangle: stripe k holds rows top + k * kStripeRows onward.
struct Stripes {
    int32_t top = 0, bottom = 0;
    int32_t count() const { return bottom > top ? (bottom - top + kStripeRows - 1) / kStripeRows : 0; }
    int32_t first(int32_t stripe) const { return top + stripe * kStripeRows; }
    int32_t end(int32_t stripe) const { return std::min(bottom, first(stripe) + kStripeRows); }
};

struct TriangleBatch {
    std::vector<Triangle> triangles;
    std::vector<std::vector<uint32_t>> stripes;  // indices into `triangles`
    uint64_t pixels = 0;  // of the triangles' bounding boxes
    bool ok = true;       // false when memory ran out and triangles were dropped

    // Empties the batch for a draw with these stripes; false when memory ran out.
    bool reset(const Stripes& layout) {
        triangles.clear();
        for (auto& stripe : stripes) stripe.clear();
        pixels = 0;
        ok = true;
        try {
            if (stripes.size() < size_t(layout.count())) stripes.resize(size_t(layout.count()));
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    // Sets up a triangle in place with setup(Triangle&), which returns false to drop it; a
    // kept triangle lies inside the clip rectangle the stripes cover.
    template <class Setup>
    void add(const Stripes& layout, Setup&& setup) {
        try {
            const auto index = static_cast<uint32_t>(triangles.size());
            Triangle& t = triangles.emplace_back();
            if (!setup(t)) {
                triangles.pop_back();
                return;
            }
            const int32_t last = (t.bottom - 1 - layout.top) / kStripeRows;
            for (int32_t k = (t.top - layout.top) / kStripeRows; k <= last; ++k) stripes[size_t(k)].push_back(index);
            pixels += uint64_t(t.right - t.left) * uint64_t(t.bottom - t.top);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
};

}  // namespace platform::d3d8::raster
