// Primitive assembly: which vertices of a draw make each triangle, line or point.
#pragma once

#include <cstdint>

namespace platform::d3d8::raster {

enum class Primitive { PointList = 1, LineList, LineStrip, TriangleList, TriangleStrip, TriangleFan };

// Vertices `count` primitives of the type use; 0 for an unknown type.
inline uint64_t verticesFor(Primitive type, uint32_t count) {
    switch (type) {
    case Primitive::PointList: return count;
    case Primitive::LineList: return uint64_t(count) * 2;
    case Primitive::LineStrip: return count == 0 ? 0 : uint64_t(count) + 1;
    case Primitive::TriangleList: return uint64_t(count) * 3;
    case Primitive::TriangleStrip:
    case Primitive::TriangleFan: return count == 0 ? 0 : uint64_t(count) + 2;
    }
    return 0;
}

// Calls visit(a, b, c) with the positions in the draw's vertex sequence of triangles
// first .. end - 1.
// Odd triangles of a strip take (i, i + 2, i + 1), so every one winds like the first and
// starts (for flat shading) at vertex i.
template <class Visit>
void forEachTriangle(Primitive type, uint32_t first, uint32_t end, Visit&& visit) {
    for (uint32_t i = first; i < end; ++i) {
        switch (type) {
        case Primitive::TriangleList: visit(3 * i, 3 * i + 1, 3 * i + 2); break;
        case Primitive::TriangleStrip:
            if (i % 2 == 0)
                visit(i, i + 1, i + 2);
            else
                visit(i, i + 2, i + 1);
            break;
        case Primitive::TriangleFan: visit(0, i + 1, i + 2); break;
        default: return;
        }
    }
}

template <class Visit>
void forEachLine(Primitive type, uint32_t count, Visit&& visit) {
    for (uint32_t i = 0; i < count; ++i) {
        if (type == Primitive::LineList)
            visit(2 * i, 2 * i + 1);
        else
            visit(i, i + 1);
    }
}

}  // namespace platform::d3d8::raster
