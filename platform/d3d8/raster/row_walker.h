// The span of pixels inside a triangle row after row, with no division per row. Everything
// here has internal linkage so that the vector kernels, built for other instruction sets,
// inline their own copy and never stand in for the library's.
#pragma once

#include "setup.h"

namespace platform::d3d8::raster {
namespace {

// Floor and ceiling of n / d for d > 0.
inline int64_t floorDiv(int64_t n, int64_t d) { return n >= 0 ? n / d : -((-n + d - 1) / d); }
inline int64_t ceilDiv(int64_t n, int64_t d) { return -floorDiv(-n, d); }

class RowWalker {
public:
    RowWalker(const Triangle& t, int32_t y) : left_(t.left), right_(t.right) {
        for (int i = 0; i < 3; ++i) {
            const Edge& e = t.edges[i];
            Bound& bound = bounds_[i];
            const int64_t k = e.b * y + e.c;  // a * x + k >= 0 inside
            bound.sign = e.a > 0 ? 1 : (e.a < 0 ? -1 : 0);
            if (bound.sign == 0) {
                bound.quotient = k;
                bound.stepQuotient = e.b;
                continue;
            }
            bound.divisor = e.a > 0 ? e.a : -e.a;
            bound.quotient = floorDiv(k, bound.divisor);
            bound.remainder = k - bound.quotient * bound.divisor;
            bound.stepQuotient = floorDiv(e.b, bound.divisor);
            bound.stepRemainder = e.b - bound.stepQuotient * bound.divisor;
        }
    }

    // First and one-past-last pixel of the current row inside all three edges, cut to
    // [left, right); false when the row has none.
    bool span(int32_t& first, int32_t& last) const {
        int64_t low = left_, high = right_;  // [low, high)
        for (const Bound& bound : bounds_) {
            if (bound.sign > 0) {
                if (-bound.quotient > low) low = -bound.quotient;  // x >= ceil(-k / a)
            } else if (bound.sign < 0) {
                if (bound.quotient + 1 < high) high = bound.quotient + 1;  // x <= floor(k / -a)
            } else if (bound.quotient < 0) {
                return false;
            }
        }
        if (low >= high) return false;
        first = static_cast<int32_t>(low);
        last = static_cast<int32_t>(high);
        return true;
    }

    void next() {
        for (Bound& bound : bounds_) {
            bound.quotient += bound.stepQuotient;
            if (bound.sign == 0) continue;
            bound.remainder += bound.stepRemainder;
            if (bound.remainder >= bound.divisor) {
                bound.remainder -= bound.divisor;
                ++bound.quotient;
            }
        }
    }

private:
    // floor(k / divisor) and its remainder for k = b * y + c of one edge, stepped by b.
    struct Bound {
        int64_t quotient, remainder, divisor, stepQuotient, stepRemainder;
        int sign;  // of a: > 0 bounds the span on the left, < 0 on the right, 0 the whole row
    };
    Bound bounds_[3];
    int32_t left_, right_;
};

// span(y, first, last) for every row of the triangle in first .. end - 1 that has pixels.
// The walker's arithmetic is exact, so starting it at any row gives the same spans.
template <class Span>
inline void forEachSpan(const Triangle& t, int32_t first, int32_t end, Span&& span) {
    const int32_t bottom = t.bottom < end ? t.bottom : end;
    int32_t y = t.top > first ? t.top : first;
    if (y >= bottom) return;
    RowWalker rows(t, y);
    for (; y < bottom; ++y, rows.next()) {
        int32_t left, right;
        if (rows.span(left, right)) span(y, left, right);
    }
}

}  // namespace
}  // namespace platform::d3d8::raster
