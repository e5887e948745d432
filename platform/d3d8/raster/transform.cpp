#include "transform.h"

#include "span.h"

#include <cmath>
#include <cstring>

namespace platform::d3d8::raster {

Matrix Matrix::identity() {
    Matrix m;
    for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
    return m;
}

// Products in double so that a chain of matrices rounds once.
Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += double(a.m[i][k]) * b.m[k][j];
            r.m[i][j] = static_cast<float>(sum);
        }
    return r;
}

Matrix normalMatrix(const Matrix& m) {
    const double a = m.m[0][0], b = m.m[0][1], c = m.m[0][2];
    const double d = m.m[1][0], e = m.m[1][1], f = m.m[1][2];
    const double g = m.m[2][0], h = m.m[2][1], i = m.m[2][2];
    const double det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    Matrix r;
    if (det == 0.0 || !std::isfinite(det)) return r;
    // The inverse's transpose is the cofactor matrix over the determinant.
    const double cof[3][3] = {{e * i - f * h, f * g - d * i, d * h - e * g},
                              {c * h - b * i, a * i - c * g, b * g - a * h},
                              {b * f - c * e, c * d - a * f, a * e - b * d}};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) r.m[row][col] = static_cast<float>(cof[row][col] / det);
    r.m[3][3] = 1.0f;
    return r;
}

bool decodeLayout(uint32_t fvf, VertexLayout& layout) {
    layout = VertexLayout{};
    uint32_t offset = 0;
    switch (fvf & 0x00E) {
    case 0x002: offset = 12; break;  // XYZ
    case 0x004:                     // XYZRHW
        offset = 16;
        layout.transformed = true;
        break;
    default: return false;  // no position, or blended positions
    }
    if (fvf & 0x010) layout.normal = static_cast<int32_t>(offset), offset += 12;
    if (fvf & 0x020) offset += 4;  // point size: read by nothing
    if (fvf & 0x040) layout.diffuse = static_cast<int32_t>(offset), offset += 4;
    if (fvf & 0x080) layout.specular = static_cast<int32_t>(offset), offset += 4;
    layout.texCount = static_cast<int32_t>((fvf >> 8) & 0xF);
    if (layout.texCount > 8) return false;
    for (int32_t i = 0; i < layout.texCount; ++i) {
        static constexpr int32_t kFloats[4] = {2, 3, 4, 1};
        layout.texSize[i] = kFloats[(fvf >> (16 + 2 * i)) & 3];
        layout.texOffset[i] = static_cast<int32_t>(offset);
        offset += 4 * layout.texSize[i];
    }
    layout.size = offset;
    return true;
}

float fogFactor(const Fog& fog, float distance) {
    float f = 1.0f;
    switch (fog.mode) {
    case FogMode::None: return 1.0f;
    case FogMode::Linear:
        f = fog.end == fog.start ? (distance < fog.end ? 1.0f : 0.0f) : (fog.end - distance) / (fog.end - fog.start);
        break;
    case FogMode::Exp: f = std::exp(-distance * fog.density); break;
    case FogMode::Exp2: f = std::exp(-(distance * fog.density) * (distance * fog.density)); break;
    }
    return f > 1.0f ? 1.0f : (f > 0.0f ? f : 0.0f);  // NaN gives full fog
}

namespace {

float readFloat(const uint8_t* p) {
    float value;
    std::memcpy(&value, p, 4);
    return value;
}

uint32_t readColor(const uint8_t* p) {
    uint32_t value;
    std::memcpy(&value, p, 4);
    return value;
}

Vec3 readVec3(const uint8_t* p) { return Vec3{readFloat(p), readFloat(p + 4), readFloat(p + 8)}; }

Rgba toRgba(uint32_t color) {
    constexpr float k = 1.0f / 255.0f;
    return Rgba{float((color >> 16) & 0xFF) * k, float((color >> 8) & 0xFF) * k, float(color & 0xFF) * k,
                float(color >> 24) * k};
}

void storeColor(float* out, const Rgba& c) {
    out[0] = c.b * 255.0f;
    out[1] = c.g * 255.0f;
    out[2] = c.r * 255.0f;
    out[3] = c.a * 255.0f;
}

Vec3 transformPoint(const Matrix& m, const Vec3& p) {
    return Vec3{p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
                p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
                p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

Vec3 transformVector(const Matrix& m, const Vec3& v) {
    return Vec3{v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0], v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
                v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
}

void clipPosition(const VertexProgram& program, const uint8_t* vertex, float* pos) {
    if (program.layout.transformed) {
        const float rhw = readFloat(vertex + 12);
        const float w = 1.0f / rhw;
        pos[0] = readFloat(vertex) * w;
        pos[1] = readFloat(vertex + 4) * w;
        pos[2] = readFloat(vertex + 8) * w;
        pos[3] = w;
        return;
    }
    const Vec3 p = readVec3(vertex);
    const Matrix& m = program.worldViewProjection;
    for (int c = 0; c < 4; ++c) pos[c] = p.x * m.m[0][c] + p.y * m.m[1][c] + p.z * m.m[2][c] + m.m[3][c];
}

// The vertex's own colours: white and black where it has none.
VertexColors vertexColors(const VertexLayout& layout, const uint8_t* vertex) {
    VertexColors colors{Rgba{1, 1, 1, 1}, Rgba{}};
    if (layout.diffuse >= 0) colors.diffuse = toRgba(readColor(vertex + layout.diffuse));
    if (layout.specular >= 0) colors.specular = toRgba(readColor(vertex + layout.specular));
    return colors;
}

void texCoords(const VertexProgram& program, const uint8_t* vertex, float* out) {
    const VertexLayout& layout = program.layout;
    for (int stage = 0; stage < kStages; ++stage) {
        const int set = program.texCoordIndex[stage];
        float* uv = out + kTex0 + 2 * stage;
        uv[0] = uv[1] = 0.0f;
        if (set < 0 || set >= layout.texCount) continue;
        const uint8_t* p = vertex + layout.texOffset[set];
        uv[0] = readFloat(p);
        if (layout.texSize[set] > 1) uv[1] = readFloat(p + 4);
    }
}

// What the vector stage does: untransformed vertices without vertex fog, lit (if at all) by
// directional and point lights with the material's colours and no highlights.
bool vectorVertices(const VertexProgram& program) {
    if (program.layout.transformed || program.vertexFog.mode != FogMode::None) return false;
    if (!program.lit) return true;
    const Lighting& lighting = program.lighting;
    if (lighting.specular || lighting.diffuseSource != ColorSource::Material ||
        lighting.ambientSource != ColorSource::Material || lighting.emissiveSource != ColorSource::Material)
        return false;
    for (int i = 0; i < lighting.lightCount; ++i)
        if (lighting.lights[i].type != LightType::Directional && lighting.lights[i].type != LightType::Point) return false;
    return true;
}

// The vertices' clip positions (and lit diffuse colours) from the vector stage; 0 when it
// does not apply.
uint32_t vectorPart(const VertexProgram& program, const uint8_t* first, uint32_t stride, uint32_t count,
                    ClipVertex* out) {
#if defined(KV_VECTOR_SPANS)
    if (!vectorVertices(program)) return 0;
    return vectorAvx2() ? vectorVerticesAvx2(program, first, stride, count, out)
                        : vectorVerticesSse2(program, first, stride, count, out);
#else
    (void)program, (void)first, (void)stride, (void)count, (void)out;
    return 0;
#endif
}

// The rest of a vertex the vector stage did: its own colours when unlit (lit ones have no
// highlight), the fog factor from its specular alpha and its texture coordinates.
void finishVector(const VertexProgram& program, const uint8_t* vertex, ClipVertex& v) {
    const VertexColors colors = vertexColors(program.layout, vertex);
    if (!program.lit) storeColor(v.v + kDiffuse, colors.diffuse);
    storeColor(v.v + kSpecular, program.lit ? Rgba{} : colors.specular);
    v.v[kFog] = colors.specular.a;
    texCoords(program, vertex, v.v);
}

}  // namespace

void processVertices(const VertexProgram& program, const uint8_t* first, uint32_t stride, uint32_t count,
                     ClipVertex* out) {
    const VertexLayout& layout = program.layout;
    const uint32_t vectored = vectorPart(program, first, stride, count, out);
    for (uint32_t i = 0; i < vectored; ++i) finishVector(program, first + uint64_t(i) * stride, out[i]);
    for (uint32_t i = vectored; i < count; ++i) {
        const uint8_t* vertex = first + uint64_t(i) * stride;
        ClipVertex& v = out[i];
        clipPosition(program, vertex, v.pos);
        VertexColors colors = vertexColors(layout, vertex);
        float fog = colors.specular.a;
        if (!layout.transformed && (program.lit || program.vertexFog.mode != FogMode::None)) {
            const Vec3 eye = transformPoint(program.worldView, readVec3(vertex));
            if (program.lit) {
                const Vec3 normal =
                    layout.normal >= 0 ? transformVector(program.normalMatrix, readVec3(vertex + layout.normal)) : Vec3{};
                colors = light(program.lighting, eye, normal, colors);
            }
            if (program.vertexFog.mode != FogMode::None) {
                const float distance =
                    program.vertexFog.range ? std::sqrt(eye.x * eye.x + eye.y * eye.y + eye.z * eye.z) : std::fabs(eye.z);
                fog = fogFactor(program.vertexFog, distance);
            }
        }
        storeColor(v.v + kDiffuse, colors.diffuse);
        storeColor(v.v + kSpecular, colors.specular);
        v.v[kFog] = fog;
        texCoords(program, vertex, v.v);
    }
}

}  // namespace platform::d3d8::raster
