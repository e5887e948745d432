// The draw calls: each is checked against the bound buffers, the device state is resolved
// once into plain programs, and the raster chain runs: vertex processing, assembly,
// clipping, setup, then rasterization spread over the worker threads.
#include "device.h"

#include "../raster/assemble.h"
#include "../raster/line.h"
#include "../raster/pixel.h"
#include "../raster/workers.h"

#include <platform/rasterstats.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>

namespace platform::d3d8 {

struct Device::DrawCall {
    raster::Primitive type;
    uint32_t primitives;
    const uint8_t* vertices;  // the draw's first vertex
    uint64_t vertexBytes;     // bytes readable from `vertices`
    uint32_t stride;
    uint32_t vertexCount;   // vertices the draw may use
    const uint8_t* indices;  // null for non-indexed draws
    uint64_t indexBytes;
    uint32_t indexSize;
    uint32_t firstIndexValue;  // index value of vertex 0 (the minimum index)
};

namespace {

float asFloat(DWORD bits) { return std::bit_cast<float>(bits); }

raster::Matrix toMatrix(const D3DMATRIX& m) {
    raster::Matrix r;
    std::memcpy(r.m, m.m, sizeof r.m);
    return r;
}

raster::Rgba toRgba(const D3DCOLORVALUE& c) { return raster::Rgba{c.r, c.g, c.b, c.a}; }

raster::Vec3 transformPoint(const D3DMATRIX& m, const D3DVECTOR& p) {
    return raster::Vec3{p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41, p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42,
                        p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43};
}

raster::Vec3 unit(const raster::Vec3& v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return length > 0.0f ? raster::Vec3{v.x / length, v.y / length, v.z / length} : raster::Vec3{};
}

// The light in view space.
raster::Light toViewLight(const D3DLIGHT8& l, const D3DMATRIX& view) {
    raster::Light light;
    light.type = static_cast<raster::LightType>(l.Type);
    light.diffuse = toRgba(l.Diffuse);
    light.specular = toRgba(l.Specular);
    light.ambient = toRgba(l.Ambient);
    light.position = transformPoint(view, l.Position);
    const raster::Vec3 direction{l.Direction.x * view._11 + l.Direction.y * view._21 + l.Direction.z * view._31,
                                 l.Direction.x * view._12 + l.Direction.y * view._22 + l.Direction.z * view._32,
                                 l.Direction.x * view._13 + l.Direction.y * view._23 + l.Direction.z * view._33};
    const raster::Vec3 toward = unit(direction);
    light.toLight = raster::Vec3{-toward.x, -toward.y, -toward.z};
    light.range = l.Range;
    light.attenuation[0] = l.Attenuation0;
    light.attenuation[1] = l.Attenuation1;
    light.attenuation[2] = l.Attenuation2;
    light.falloff = l.Falloff;
    light.cosHalfTheta = std::cos(l.Theta * 0.5f);
    light.cosHalfPhi = std::cos(l.Phi * 0.5f);
    return light;
}

raster::ColorSource colorSource(DWORD value, const raster::VertexLayout& layout, bool colorVertex) {
    if (colorVertex && value == D3DMCS_COLOR1 && layout.diffuse >= 0) return raster::ColorSource::Diffuse;
    if (colorVertex && value == D3DMCS_COLOR2 && layout.specular >= 0) return raster::ColorSource::Specular;
    return raster::ColorSource::Material;
}

raster::Fog fogOf(DWORD mode, DWORD start, DWORD end, DWORD density, bool range) {
    raster::Fog fog;
    fog.mode = mode <= D3DFOG_LINEAR ? static_cast<raster::FogMode>(mode) : raster::FogMode::None;
    fog.start = asFloat(start);
    fog.end = asFloat(end);
    fog.density = asFloat(density);
    fog.range = range;
    return fog;
}

raster::Compare compareOf(DWORD value) {
    return value >= D3DCMP_NEVER && value <= D3DCMP_ALWAYS ? static_cast<raster::Compare>(value) : raster::Compare::Always;
}

raster::Filter filterOf(DWORD value) {
    return value == D3DTEXF_NONE ? raster::Filter::None
                                 : (value == D3DTEXF_POINT ? raster::Filter::Point : raster::Filter::Linear);
}

raster::Address addressOf(DWORD value) {
    return value >= D3DTADDRESS_WRAP && value <= D3DTADDRESS_BORDER ? static_cast<raster::Address>(value)
                                                                    : raster::Address::Wrap;
}

uint32_t readIndex(const uint8_t* indices, uint32_t size, uint64_t position) {
    if (size == 2) {
        uint16_t value;
        std::memcpy(&value, indices + position * 2, 2);
        return value;
    }
    uint32_t value;
    std::memcpy(&value, indices + position * 4, 4);
    return value;
}

raster::TextureView textureView(Texture& texture) {
    raster::TextureView view;
    view.levelCount = static_cast<int>(std::min<DWORD>(texture.GetLevelCount(), raster::kMaxLevels));
    for (int i = 0; i < view.levelCount; ++i) {
        SurfaceData& level = *texture.level(static_cast<UINT>(i));
        view.levels[i] = raster::TextureLevel{reinterpret_cast<const uint32_t*>(level.bits.data()), level.pitch / 4,
                                              static_cast<int32_t>(level.desc.Width),
                                              static_cast<int32_t>(level.desc.Height)};
    }
    view.alphaOr = raster::hasAlpha(pixelFormat(texture.level(0)->desc.Format)) ? 0u : 0xFF000000u;
    return view;
}

// COLORWRITEENABLE bits (red, green, blue, alpha) as a mask of A8R8G8B8 bytes.
uint32_t writeMaskOf(DWORD bits) {
    return ((bits & 1) ? 0x00FF0000u : 0) | ((bits & 2) ? 0x0000FF00u : 0) | ((bits & 4) ? 0x000000FFu : 0) |
           ((bits & 8) ? 0xFF000000u : 0);
}

struct StatCounters {
    std::atomic<bool> enabled{false};
    std::atomic<uint64_t> transformLightNs{0}, setupNs{0}, fillNs{0}, trianglesIn{0}, trianglesDrawn{0}, pixelsFilled{0};
};

StatCounters& stats() {
    static StatCounters counters;
    return counters;
}

// Nanoseconds since `start`, added to `counter` when statistics are on.
class StageTimer {
public:
    explicit StageTimer(std::atomic<uint64_t>& counter)
        : counter_(stats().enabled ? &counter : nullptr),
          start_(counter_ ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point{}) {}
    ~StageTimer() {
        if (counter_)
            *counter_ += static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                   std::chrono::steady_clock::now() - start_)
                                                   .count());
    }
    StageTimer(const StageTimer&) = delete;
    StageTimer& operator=(const StageTimer&) = delete;

private:
    std::atomic<uint64_t>* counter_;
    std::chrono::steady_clock::time_point start_;
};

// Draws whose bounding boxes cover fewer pixels than this are filled on the calling thread.
constexpr uint64_t kParallelPixels = 32 * 1024;
// Vertices processed, and primitives set up, by one task; small enough that the last task
// of a run keeps the other threads waiting only briefly.
constexpr uint32_t kVerticesPerTask = 2048;
constexpr uint32_t kPrimitivesPerTask = 512;
// Primitives whose vertices a setup task transforms at a time, so that they are set up while
// still in the first-level cache.
constexpr uint32_t kPrimitivesPerChunk = 64;

uint32_t tasksFor(uint32_t count, uint32_t perTask) { return count / perTask + (count % perTask != 0); }

}  // namespace

raster::VertexProgram Device::vertexProgram(const raster::VertexLayout& layout) const {
    raster::VertexProgram program;
    program.layout = layout;
    const D3DMATRIX& world = world_[0];
    program.worldView = raster::multiply(toMatrix(world), toMatrix(view_));
    program.worldViewProjection = raster::multiply(program.worldView, toMatrix(projection_));
    program.normalMatrix = raster::normalMatrix(program.worldView);
    program.lit = renderStates_[D3DRS_LIGHTING] != FALSE && !layout.transformed;
    raster::Lighting& lighting = program.lighting;
    for (const auto& [index, slot] : lights_) {
        if (slot.enabled && lighting.lightCount < static_cast<int>(kMaxActiveLights))
            lighting.lights[lighting.lightCount++] = toViewLight(slot.light, view_);
    }
    const D3DCOLOR ambient = renderStates_[D3DRS_AMBIENT];
    lighting.ambient = raster::Rgba{float((ambient >> 16) & 0xFF) / 255.0f, float((ambient >> 8) & 0xFF) / 255.0f,
                                    float(ambient & 0xFF) / 255.0f, float(ambient >> 24) / 255.0f};
    lighting.material = raster::Material{toRgba(material_.Diffuse), toRgba(material_.Ambient), toRgba(material_.Specular),
                                         toRgba(material_.Emissive), material_.Power};
    const bool colorVertex = renderStates_[D3DRS_COLORVERTEX] != FALSE;
    lighting.diffuseSource = colorSource(renderStates_[D3DRS_DIFFUSEMATERIALSOURCE], layout, colorVertex);
    lighting.ambientSource = colorSource(renderStates_[D3DRS_AMBIENTMATERIALSOURCE], layout, colorVertex);
    lighting.specularSource = colorSource(renderStates_[D3DRS_SPECULARMATERIALSOURCE], layout, colorVertex);
    lighting.emissiveSource = colorSource(renderStates_[D3DRS_EMISSIVEMATERIALSOURCE], layout, colorVertex);
    lighting.specular = renderStates_[D3DRS_SPECULARENABLE] != FALSE;
    lighting.localViewer = renderStates_[D3DRS_LOCALVIEWER] != FALSE;
    lighting.normalize = renderStates_[D3DRS_NORMALIZENORMALS] != FALSE;
    if (renderStates_[D3DRS_FOGENABLE] && renderStates_[D3DRS_FOGTABLEMODE] == D3DFOG_NONE)
        program.vertexFog = fogOf(renderStates_[D3DRS_FOGVERTEXMODE], renderStates_[D3DRS_FOGSTART],
                                  renderStates_[D3DRS_FOGEND], renderStates_[D3DRS_FOGDENSITY],
                                  renderStates_[D3DRS_RANGEFOGENABLE] != FALSE);
    for (int stage = 0; stage < raster::kStages; ++stage)
        program.texCoordIndex[stage] = static_cast<int>(stageStates_[stage][D3DTSS_TEXCOORDINDEX] & 0xFFFF);
    return program;
}

raster::PixelProgram Device::pixelProgram(bool transformed) {
    raster::PixelProgram program;
    program.target = drawTarget();
    const DWORD* rs = renderStates_;
    program.depthTest = rs[D3DRS_ZENABLE] != D3DZB_FALSE && program.target.depth;
    program.depthWrite = rs[D3DRS_ZWRITEENABLE] != FALSE;
    program.depthFunc = compareOf(rs[D3DRS_ZFUNC]);
    for (int i = 0; i < raster::kStages; ++i) {
        const DWORD* ts = stageStates_[i];
        if (ts[D3DTSS_COLOROP] == D3DTOP_DISABLE || ts[D3DTSS_COLOROP] > D3DTOP_BLENDCURRENTALPHA) break;
        raster::Stage& stage = program.stages[program.stageCount++];
        stage.colorOp = ts[D3DTSS_COLOROP];
        stage.colorArg1 = ts[D3DTSS_COLORARG1];
        stage.colorArg2 = ts[D3DTSS_COLORARG2];
        stage.alphaOp = ts[D3DTSS_ALPHAOP];
        stage.alphaArg1 = ts[D3DTSS_ALPHAARG1];
        stage.alphaArg2 = ts[D3DTSS_ALPHAARG2];
        Texture* texture = asTexture(textures_[i].get());
        if (!texture) continue;
        textureViews_[i] = textureView(*texture);
        raster::Sampler& sampler = stage.sampler;
        sampler.texture = &textureViews_[i];
        sampler.magnify = filterOf(ts[D3DTSS_MAGFILTER]);
        sampler.minify = filterOf(ts[D3DTSS_MINFILTER]);
        sampler.mip = filterOf(ts[D3DTSS_MIPFILTER]);
        sampler.addressU = addressOf(ts[D3DTSS_ADDRESSU]);
        sampler.addressV = addressOf(ts[D3DTSS_ADDRESSV]);
        sampler.border = ts[D3DTSS_BORDERCOLOR];
        sampler.lodBias = asFloat(ts[D3DTSS_MIPMAPLODBIAS]);
        if (!std::isfinite(sampler.lodBias)) sampler.lodBias = 0.0f;
        sampler.firstLevel = static_cast<int>(std::min<DWORD>(ts[D3DTSS_MAXMIPLEVEL], textureViews_[i].levelCount - 1));
        stage.textured = true;
    }
    program.textureFactor = rs[D3DRS_TEXTUREFACTOR];
    program.addSpecular = rs[D3DRS_SPECULARENABLE] != FALSE;
    if (rs[D3DRS_FOGENABLE]) {
        program.fogColor = rs[D3DRS_FOGCOLOR];
        if (rs[D3DRS_FOGTABLEMODE] != D3DFOG_NONE) {
            program.tableFog = fogOf(rs[D3DRS_FOGTABLEMODE], rs[D3DRS_FOGSTART], rs[D3DRS_FOGEND], rs[D3DRS_FOGDENSITY], false);
            program.depthFog = !transformed && projection_._34 == 0.0f;  // no perspective: fog by depth
        } else {
            program.vertexFog = true;
        }
    }
    program.alphaTest = rs[D3DRS_ALPHATESTENABLE] != FALSE;
    program.alphaFunc = compareOf(rs[D3DRS_ALPHAFUNC]);
    program.alphaRef = rs[D3DRS_ALPHAREF] & 0xFF;
    program.blend = rs[D3DRS_ALPHABLENDENABLE] != FALSE;
    program.blendMode = raster::Blend{rs[D3DRS_SRCBLEND], rs[D3DRS_DESTBLEND], rs[D3DRS_BLENDOP]};
    program.writeMask = writeMaskOf(rs[D3DRS_COLORWRITEENABLE]);
    raster::prepare(program);
    return program;
}

raster::SetupState Device::setupState(bool transformed, const raster::PixelProgram& program) const {
    raster::SetupState state;
    if (!transformed) {
        const float halfWidth = float(viewport_.Width) * 0.5f, halfHeight = float(viewport_.Height) * 0.5f;
        state.mapping = raster::ScreenMapping{halfWidth,  float(viewport_.X) + halfWidth, -halfHeight,
                                              float(viewport_.Y) + halfHeight, viewport_.MaxZ - viewport_.MinZ,
                                              viewport_.MinZ};
    }
    state.clip = program.target.clip;
    state.varyings = program.varyings;
    switch (renderStates_[D3DRS_CULLMODE]) {
    case D3DCULL_CW: state.cull = raster::Cull::Clockwise; break;
    case D3DCULL_CCW: state.cull = raster::Cull::CounterClockwise; break;
    default: state.cull = raster::Cull::None; break;
    }
    state.flat = renderStates_[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    return state;
}

HRESULT Device::draw(const DrawCall& call) {
    raster::VertexLayout layout;
    if (!inScene_ || !raster::decodeLayout(vertexShader_, layout) || call.stride < layout.size) return D3DERR_INVALIDCALL;
    const uint64_t sequence = raster::verticesFor(call.type, call.primitives);
    if (sequence == 0 || call.vertexCount == 0 || call.primitives > kMaxPrimitives || call.vertexCount > kMaxVertices)
        return D3DERR_INVALIDCALL;
    if (uint64_t(call.vertexCount - 1) * call.stride + layout.size > call.vertexBytes) return D3DERR_INVALIDCALL;
    if (call.indices ? sequence * call.indexSize > call.indexBytes : sequence > call.vertexCount)
        return D3DERR_INVALIDCALL;
    try {
        // Only ever grown: a small draw between large ones costs no reallocation.
        if (clipVertices_.size() < call.vertexCount) clipVertices_.resize(call.vertexCount);
        if (call.indices && sequence_.size() < sequence) sequence_.resize(sequence);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    // Indexed draws: the vertex of each position in the sequence, every one checked.
    for (uint64_t i = 0; call.indices && i < sequence; ++i) {
        const uint64_t vertex = uint64_t(readIndex(call.indices, call.indexSize, i)) - call.firstIndexValue;
        if (vertex >= call.vertexCount) return D3DERR_INVALIDCALL;
        sequence_[i] = static_cast<uint32_t>(vertex);
    }
    const raster::VertexProgram vertices = vertexProgram(layout);
    const bool inSetup = transformsInSetup(call);
    if (!inSetup)
        raster::Workers::shared().run(tasksFor(call.vertexCount, kVerticesPerTask), [&](uint32_t task) {
            const uint32_t first = task * kVerticesPerTask;
            transform(call, vertices, first, std::min(kVerticesPerTask, call.vertexCount - first));
        });
    const raster::PixelProgram program = pixelProgram(layout.transformed);
    const raster::SetupState state = setupState(layout.transformed, program);
    return rasterize(call, program, state, layout.transformed, inSetup ? &vertices : nullptr) ? D3D_OK : E_OUTOFMEMORY;
}

// The vertices of a non-indexed triangle list belong to one triangle each, so the task that
// sets up a triangle can transform its vertices, with no pass over all vertices before.
bool Device::transformsInSetup(const DrawCall& call) const {
    const DWORD fillMode = renderStates_[D3DRS_FILLMODE];
    return !call.indices && call.type == raster::Primitive::TriangleList && fillMode != D3DFILL_POINT &&
           fillMode != D3DFILL_WIREFRAME;
}

void Device::transform(const DrawCall& call, const raster::VertexProgram& program, uint32_t first, uint32_t count) {
    StageTimer timer(stats().transformLightNs);
    raster::processVertices(program, call.vertices + uint64_t(first) * call.stride, call.stride, count,
                            clipVertices_.data() + first);
}

bool Device::rasterize(const DrawCall& call, const raster::PixelProgram& program, const raster::SetupState& state,
                       bool transformed, const raster::VertexProgram* transformInSetup) {
    const raster::ClipPlanes planes = raster::clipPlanes(state.mapping, !transformed);
    const raster::ClipVertex* vertices = clipVertices_.data();
    auto vertexAt = [&](uint32_t position) -> const raster::ClipVertex& {
        return vertices[call.indices ? sequence_[position] : position];
    };
    const bool lastPixel = renderStates_[D3DRS_LASTPIXEL] != FALSE;
    auto line = [&](const raster::ClipVertex& a, const raster::ClipVertex& b) {
        const raster::ClipVertex pair[2] = {a, b};
        const uint32_t codes = raster::outcode(planes, a.pos) | raster::outcode(planes, b.pos);
        if (!raster::finitePosition(a.pos) || !raster::finitePosition(b.pos)) return;
        if (codes == 0) return raster::drawLine(program, state, a, b, lastPixel);
        raster::ClipVertex clipped[2 + raster::ClipPlanes::kMax];
        if (raster::clipPolygon(planes, codes, pair, 2, clipped) >= 2) raster::drawLine(program, state, clipped[0], clipped[1], lastPixel);
    };

    if (call.type == raster::Primitive::PointList) {
        for (uint32_t i = 0; i < call.primitives; ++i) {
            const raster::ClipVertex& v = vertexAt(i);
            if (raster::finitePosition(v.pos) && raster::outcode(planes, v.pos) == 0) raster::drawPoint(program, state, v);
        }
        return true;
    }
    if (call.type == raster::Primitive::LineList || call.type == raster::Primitive::LineStrip) {
        raster::forEachLine(call.type, call.primitives, [&](uint32_t a, uint32_t b) { line(vertexAt(a), vertexAt(b)); });
        return true;
    }

    // The triangles of primitives first .. end - 1 that survive clipping, as emit(a, b, c, provoking).
    auto assemble = [&](uint32_t first, uint32_t end, auto&& emit) {
        raster::forEachTriangle(call.type, first, end, [&](uint32_t ia, uint32_t ib, uint32_t ic) {
            const raster::ClipVertex& a = vertexAt(ia);
            const raster::ClipVertex& b = vertexAt(ib);
            const raster::ClipVertex& c = vertexAt(ic);
            if (!raster::finitePosition(a.pos) || !raster::finitePosition(b.pos) || !raster::finitePosition(c.pos))
                return;
            const uint32_t ca = raster::outcode(planes, a.pos), cb = raster::outcode(planes, b.pos),
                           cc = raster::outcode(planes, c.pos);
            if (ca & cb & cc) return;
            if ((ca | cb | cc) == 0) return emit(a, b, c, a);
            const raster::ClipVertex triangle[3] = {a, b, c};
            raster::ClipVertex polygon[3 + raster::ClipPlanes::kMax];
            const int count = raster::clipPolygon(planes, ca | cb | cc, triangle, 3, polygon);
            for (int i = 1; i + 1 < count; ++i) emit(polygon[0], polygon[i], polygon[i + 1], a);
        });
    };

    const DWORD fillMode = renderStates_[D3DRS_FILLMODE];
    if (fillMode == D3DFILL_POINT || fillMode == D3DFILL_WIREFRAME) {
        StageTimer timer(stats().setupNs);
        assemble(0, call.primitives, [&](const raster::ClipVertex& a, const raster::ClipVertex& b,
                                         const raster::ClipVertex& c, const raster::ClipVertex& provoking) {
            raster::Triangle triangle;
            if (!raster::setupTriangle(state, a, b, c, provoking, triangle)) return;
            if (fillMode == D3DFILL_POINT)
                for (const raster::ClipVertex* v : {&a, &b, &c}) raster::drawPoint(program, state, *v);
            else
                line(a, b), line(b, c), line(c, a);
        });
        return true;
    }
    return fillTriangles(call, program, state, assemble, transformInSetup);
}

// Setup spread over tasks of primitives, each into a batch of its own, then the fill spread
// over stripes of rows, each taking the batches in order.
template <class Assemble>
bool Device::fillTriangles(const DrawCall& call, const raster::PixelProgram& program, const raster::SetupState& state,
                           Assemble& assemble, const raster::VertexProgram* transformInSetup) {
    raster::Workers& workers = raster::Workers::shared();
    const raster::Stripes stripes{program.target.clip.top, program.target.clip.bottom};
    const uint32_t batchCount = tasksFor(call.primitives, kPrimitivesPerTask);
    try {
        if (batches_.size() < batchCount) batches_.resize(batchCount);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (uint32_t i = 0; i < batchCount; ++i)
        if (!batches_[i].reset(stripes)) return false;
    workers.run(batchCount, [&](uint32_t task) {
        raster::TriangleBatch& batch = batches_[task];
        const uint32_t end = std::min(call.primitives, (task + 1) * kPrimitivesPerTask);
        for (uint32_t first = task * kPrimitivesPerTask; first < end; first += kPrimitivesPerChunk) {
            const uint32_t chunkEnd = std::min(end, first + kPrimitivesPerChunk);
            if (transformInSetup) transform(call, *transformInSetup, 3 * first, 3 * (chunkEnd - first));
            StageTimer timer(stats().setupNs);
            assemble(first, chunkEnd,
                     [&](const raster::ClipVertex& a, const raster::ClipVertex& b, const raster::ClipVertex& c,
                         const raster::ClipVertex& provoking) {
                         batch.add(stripes, [&](raster::Triangle& triangle) {
                             return raster::setupTriangle(state, a, b, c, provoking, triangle);
                         });
                     });
        }
    });
    uint64_t pixels = 0, drawn = 0;
    bool ok = true;
    for (uint32_t i = 0; i < batchCount; ++i) {
        pixels += batches_[i].pixels;
        drawn += batches_[i].triangles.size();
        ok = ok && batches_[i].ok;
    }
    if (stats().enabled) {
        stats().trianglesIn += call.primitives;
        stats().trianglesDrawn += drawn;
        stats().pixelsFilled += pixels;
    }
    auto fillStripe = [&](uint32_t stripe) {
        StageTimer timer(stats().fillNs);
        const int32_t first = stripes.first(int32_t(stripe)), end = stripes.end(int32_t(stripe));
        for (uint32_t i = 0; i < batchCount; ++i) {
            const raster::TriangleBatch& batch = batches_[i];
            for (uint32_t index : batch.stripes[stripe]) raster::drawTriangle(program, batch.triangles[index], first, end);
        }
    };
    const auto stripeCount = static_cast<uint32_t>(stripes.count());
    if (pixels < kParallelPixels) {
        for (uint32_t stripe = 0; stripe < stripeCount; ++stripe) fillStripe(stripe);
        return ok;
    }
    // The stripes with the most triangles first, so that the last tasks of the run are short.
    try {
        stripeOrder_.assign(stripeCount, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (uint32_t stripe = 0; stripe < stripeCount; ++stripe) {
        uint64_t triangles = 0;
        for (uint32_t i = 0; i < batchCount; ++i) triangles += batches_[i].stripes[stripe].size();
        stripeOrder_[stripe] = triangles << 32 | stripe;
    }
    std::sort(stripeOrder_.begin(), stripeOrder_.end(), std::greater<>());
    workers.run(stripeCount, [&](uint32_t task) { fillStripe(uint32_t(stripeOrder_[task])); });
    return ok;
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    VertexBuffer* buffer = asVertexBuffer(streams_[0].get());
    const uint64_t vertices = raster::verticesFor(static_cast<raster::Primitive>(type), primitiveCount);
    if (!buffer || strides_[0] == 0 || vertices == 0) return D3DERR_INVALIDCALL;
    const uint64_t offset = uint64_t(startVertex) * strides_[0];
    if (offset > buffer->bytes().size()) return D3DERR_INVALIDCALL;
    return draw(DrawCall{static_cast<raster::Primitive>(type), primitiveCount, buffer->bytes().data() + offset,
                         buffer->bytes().size() - offset, strides_[0], static_cast<uint32_t>(std::min<uint64_t>(vertices, UINT32_MAX)),
                         nullptr, 0, 0, 0});
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT startIndex,
                                     UINT primitiveCount) {
    VertexBuffer* buffer = asVertexBuffer(streams_[0].get());
    IndexBuffer* indices = asIndexBuffer(indices_.get());
    if (!buffer || !indices || strides_[0] == 0) return D3DERR_INVALIDCALL;
    const uint64_t first = uint64_t(baseVertexIndex_) + minIndex;
    const uint64_t offset = first * strides_[0];
    const uint64_t indexOffset = uint64_t(startIndex) * indices->indexSize();
    if (offset > buffer->bytes().size() || indexOffset > indices->bytes().size()) return D3DERR_INVALIDCALL;
    return draw(DrawCall{static_cast<raster::Primitive>(type), primitiveCount, buffer->bytes().data() + offset,
                         buffer->bytes().size() - offset, strides_[0], numVertices,
                         indices->bytes().data() + indexOffset, indices->bytes().size() - indexOffset,
                         indices->indexSize(), minIndex});
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertexData,
                                UINT vertexStride) {
    const uint64_t vertices = raster::verticesFor(static_cast<raster::Primitive>(type), primitiveCount);
    if (!vertexData || vertexStride == 0 || vertices == 0 || vertices > UINT32_MAX) return D3DERR_INVALIDCALL;
    streams_[0].reset(nullptr);
    strides_[0] = 0;
    return draw(DrawCall{static_cast<raster::Primitive>(type), primitiveCount, static_cast<const uint8_t*>(vertexData),
                         vertices * vertexStride, vertexStride, static_cast<uint32_t>(vertices), nullptr, 0, 0, 0});
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT primitiveCount,
                                       const void* indexData, D3DFORMAT indexFormat, const void* vertexData,
                                       UINT vertexStride) {
    const uint64_t indices = raster::verticesFor(static_cast<raster::Primitive>(type), primitiveCount);
    const uint32_t indexSize = indexFormat == D3DFMT_INDEX32 ? 4 : (indexFormat == D3DFMT_INDEX16 ? 2 : 0);
    if (!vertexData || !indexData || vertexStride == 0 || indexSize == 0 || indices == 0) return D3DERR_INVALIDCALL;
    streams_[0].reset(nullptr);
    strides_[0] = 0;
    indices_.reset(nullptr);
    baseVertexIndex_ = 0;
    const auto* base = static_cast<const uint8_t*>(vertexData) + uint64_t(minIndex) * vertexStride;
    return draw(DrawCall{static_cast<raster::Primitive>(type), primitiveCount, base, uint64_t(numVertices) * vertexStride,
                         vertexStride, numVertices, static_cast<const uint8_t*>(indexData), indices * indexSize,
                         indexSize, minIndex});
}

void noteStatsWanted() { stats().enabled = std::getenv("KV_RASTER_STATS") && std::getenv("KV_RASTER_STATS")[0] == '1'; }

}  // namespace platform::d3d8

namespace platform {

RasterStats rasterStats() {
    auto& s = d3d8::stats();
    return RasterStats{s.transformLightNs, s.setupNs, s.fillNs, s.trianglesIn, s.trianglesDrawn, s.pixelsFilled};
}

void resetRasterStats() {
    auto& s = d3d8::stats();
    s.transformLightNs = s.setupNs = s.fillNs = s.trianglesIn = s.trianglesDrawn = s.pixelsFilled = 0;
}

}  // namespace platform
