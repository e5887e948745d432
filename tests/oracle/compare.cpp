#include "compare.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kvtest::scene3d {

int channelDifference(uint32_t a, uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8)
        worst = std::max(worst, std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)));
    return worst;
}

std::vector<uint8_t> edgePixels(GlRenderer& gl, const Image& reference) {
    std::vector<uint8_t> edges(reference.pixels.size(), 0);
    const float step = 0.125f;
    const float shifts[4][2] = {{step, 0}, {-step, 0}, {0, step}, {0, -step}};
    for (const auto& shift : shifts) {
        if (!gl.render(shift[0], shift[1])) return {};
        const Image moved = gl.read();
        for (size_t i = 0; i < edges.size(); ++i)
            if (channelDifference(moved.pixels[i], reference.pixels[i]) > kTolerance) edges[i] = 1;
    }
    return edges;
}

void addLineEnds(const Scene& scene, std::vector<uint8_t>& edges) {
    D3DXMATRIX world = identity(), view = identity(), projection = identity();
    for (const Draw& draw : scene.draws) {
        if (draw.world) world = *draw.world;
        if (draw.view) view = *draw.view;
        if (draw.projection) projection = *draw.projection;
        if (draw.type != D3DPT_LINELIST && draw.type != D3DPT_LINESTRIP) continue;
        const D3DXMATRIX all = world * view * projection;
        for (const Vertex& v : draw.vertices) {
            D3DXVECTOR4 clip;
            const D3DXVECTOR3 position(v.x, v.y, v.z);
            D3DXVec3Transform(&clip, &position, &all);
            if (clip.w <= 0) continue;
            const long cx = std::lround((clip.x / clip.w + 1) * 0.5f * float(scene.width));
            const long cy = std::lround((1 - clip.y / clip.w) * 0.5f * float(scene.height));
            for (long y = cy - 1; y <= cy + 1; ++y)
                for (long x = cx - 1; x <= cx + 1; ++x)
                    if (x >= 0 && y >= 0 && x < long(scene.width) && y < long(scene.height))
                        edges[size_t(y) * scene.width + size_t(x)] = 1;
        }
    }
}

Comparison compareImages(const Image& expected, const Image& got, const std::vector<uint8_t>& edges) {
    Comparison result;
    result.total = expected.pixels.size();
    for (size_t i = 0; i < result.total; ++i) {
        if (channelDifference(expected.pixels[i], got.pixels[i]) <= kTolerance) {
            ++result.close;
        } else if (!edges[i]) {
            if (result.offEdge++ == 0) {
                char text[96];
                std::snprintf(text, sizeof text, "(%zu, %zu): expected 0x%06X, got 0x%06X", i % expected.width,
                              i / expected.width, expected.pixels[i] & 0xFFFFFFu, got.pixels[i] & 0xFFFFFFu);
                result.firstOffEdge = text;
            }
        }
    }
    return result;
}

Image differencePicture(const Image& expected, const Image& got, const std::vector<uint8_t>& edges) {
    Image out = expected;
    for (size_t i = 0; i < out.pixels.size(); ++i) {
        const uint32_t p = expected.pixels[i];
        const uint32_t grey = ((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF)) / 6;
        if (channelDifference(p, got.pixels[i]) <= kTolerance)
            out.pixels[i] = 0xFF000000u | grey << 16 | grey << 8 | grey;
        else
            out.pixels[i] = edges[i] ? 0xFFFFFF00u : 0xFFFF0000u;
    }
    return out;
}

}  // namespace kvtest::scene3d
