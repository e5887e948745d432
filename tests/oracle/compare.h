// Pixel comparison of the device's frame with the oracle's.
#pragma once

#include <scene3d/gl_renderer.h>

#include <string>
#include <vector>

namespace kvtest::scene3d {

// Largest difference allowed in a channel between the two renderers away from edges.
constexpr int kTolerance = 3;

// The largest difference of the red, green and blue channels.
int channelDifference(uint32_t a, uint32_t b);

// The pixels where the picture has an edge: those whose colour changes by more than the
// tolerance when GL draws the scene moved by an eighth of a pixel in any direction. That
// covers triangle edges, depth intersections, near-plane cuts and texel boundaries, exactly
// where sub-pixel precision decides a pixel. Empty when GL cannot draw the scene.
std::vector<uint8_t> edgePixels(GlRenderer& gl, const Image& reference);

// The pixels within one pixel of where a line of a line list or strip starts or ends. Whether
// a line's end pixels are drawn is a convention (GL exits diamonds, a device may round the
// ends), so those pixels count as edges too. Marked into `edges`.
void addLineEnds(const Scene& scene, std::vector<uint8_t>& edges);

struct Comparison {
    size_t total = 0;
    size_t close = 0;    // within the tolerance
    size_t offEdge = 0;  // beyond it where the picture has no edge
    std::string firstOffEdge;  // "(x, y): expected 0x..., got 0x..."
    double closeShare() const { return total ? double(close) / double(total) : 0.0; }
};

Comparison compareImages(const Image& expected, const Image& got, const std::vector<uint8_t>& edges);

// Grey copy of the expected frame with differences marked: red away from edges, yellow on
// edges.
Image differencePicture(const Image& expected, const Image& got, const std::vector<uint8_t>& edges);

}  // namespace kvtest::scene3d
