// The independent renderer: Mesa's software GL (llvmpipe) through EGL without a window,
// drawing a scene with the legacy fixed-function pipeline into a framebuffer object.
#pragma once

#include "scene.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kvtest::scene3d {

// The process's one GL context, current on the calling thread. Null when EGL cannot give
// a desktop GL context; `whyNot` then says what failed. Asks Mesa for its software
// rasterizer; LP_NUM_THREADS, read when the context is created, sets llvmpipe's threads.
struct GlContext {
    std::string renderer;  // GL_RENDERER, e.g. "llvmpipe (LLVM 15.0.6, 256 bits)"
    static const GlContext* current(std::string* whyNot);
};

class GlRenderer {
public:
    static constexpr DWORD kStages = 2;  // texture stages the translation models

    // Needs the current context; creates the framebuffer (RGBA8 colour, 16-bit depth), the
    // textures and one vertex buffer object per draw. error() says what failed.
    explicit GlRenderer(const Scene& scene);
    ~GlRenderer();
    GlRenderer(const GlRenderer&) = delete;
    GlRenderer& operator=(const GlRenderer&) = delete;

    const std::string& error() const { return error_; }

    // Draws the scene as the device would. The picture moves by (jitterX, jitterY) pixels,
    // to find the pixels whose colour depends on sub-pixel precision. False, with error()
    // set, when the scene uses a state this translation has no model of.
    bool render(float jitterX = 0.0f, float jitterY = 0.0f);
    // Waits until the frame is complete.
    void finish();
    Image read();

    // Fragments that passed the depth test in one render() (an occlusion query).
    uint64_t countFilledPixels();

private:
    struct State;
    bool apply(const Draw& draw, size_t index, State& state, float jitterX, float jitterY);
    bool applyLighting(const Draw& draw, const State& state);
    bool applyRaster(const State& state);
    bool applyTexturing(const State& state, DWORD fvf);
    bool applyStage(const State& state, DWORD stage);
    void bindVertices(const Draw& draw, size_t index);
    bool unsupported(const std::string& what);

    const Scene& scene_;
    uint32_t framebuffer_ = 0, colorBuffer_ = 0, depthBuffer_ = 0;
    std::vector<uint32_t> textures_;  // the scene's, then a white texel for "no texture"
    std::vector<uint32_t> buffers_;       // vertices, one per draw
    std::vector<uint32_t> indexBuffers_;  // indices, one per draw (0 for none)
    std::string error_;
};

}  // namespace kvtest::scene3d
