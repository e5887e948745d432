// Rectangles with left, top, right and bottom fields, right and bottom exclusive (the
// platform's RECT and the like).
#pragma once

#include <algorithm>

namespace kvsupport {

// The overlap of two rectangles; an empty overlap keeps right >= left and bottom >= top.
template <class Rect>
Rect intersect(const Rect& a, const Rect& b) {
    Rect r = a;
    r.left = std::max(a.left, b.left);
    r.top = std::max(a.top, b.top);
    r.right = std::max(std::min(a.right, b.right), r.left);
    r.bottom = std::max(std::min(a.bottom, b.bottom), r.top);
    return r;
}

template <class Rect>
bool isEmpty(const Rect& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

// True when `inner` holds at least one pixel and all of it lies inside `outer`.
template <class Rect>
bool liesWithin(const Rect& inner, const Rect& outer) {
    return !isEmpty(inner) && inner.left >= outer.left && inner.top >= outer.top &&
           inner.right <= outer.right && inner.bottom <= outer.bottom;
}

}  // namespace kvsupport
