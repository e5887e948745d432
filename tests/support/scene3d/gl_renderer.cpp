#include "gl_renderer.h"

#include "device_renderer.h"

#define GL_GLEXT_PROTOTYPES 1
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kvtest::scene3d {

// ---- Context ---------------------------------------------------------------------------------

namespace {

std::string eglFailure(const char* call) {
    char code[32];
    std::snprintf(code, sizeof code, " failed (EGL error 0x%04X)", static_cast<unsigned>(eglGetError()));
    return call + std::string(code);
}

struct ContextState {
    GlContext context;
    std::string whyNot;
    bool ready = false;

    ContextState() {
        // Mesa's software rasterizer, whatever GPU the machine has.
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
        EGLDisplay display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display == EGL_NO_DISPLAY) {
            whyNot = eglFailure("eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA)");
            return;
        }
        EGLint major = 0, minor = 0;
        if (!eglInitialize(display, &major, &minor)) {
            whyNot = eglFailure("eglInitialize");
            return;
        }
        const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
        if (!extensions || !std::strstr(extensions, "EGL_KHR_no_config_context") ||
            !std::strstr(extensions, "EGL_KHR_surfaceless_context")) {
            whyNot = "EGL offers no configless, surfaceless contexts";
            return;
        }
        if (!eglBindAPI(EGL_OPENGL_API)) {
            whyNot = eglFailure("eglBindAPI(EGL_OPENGL_API)");
            return;
        }
        EGLContext egl = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, nullptr);
        if (egl == EGL_NO_CONTEXT) {
            whyNot = eglFailure("eglCreateContext");
            return;
        }
        if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, egl)) {
            whyNot = eglFailure("eglMakeCurrent");
            return;
        }
        GLint profile = 0;
        glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
        if (!(profile & GL_CONTEXT_COMPATIBILITY_PROFILE_BIT)) {
            whyNot = "the GL context has no fixed-function pipeline (not a compatibility profile)";
            return;
        }
        const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        context.renderer = name ? name : "";
        ready = true;
    }
};

}  // namespace

const GlContext* GlContext::current(std::string* whyNot) {
    static ContextState state;
    if (!state.ready && whyNot) *whyNot = state.whyNot;
    return state.ready ? &state.context : nullptr;
}

// ---- State translation -----------------------------------------------------------------------

namespace {

bool has(DWORD fvf, DWORD bit) { return (fvf & bit) != 0; }

GLenum compareFunction(DWORD f) {
    static const GLenum map[] = {GL_NEVER, GL_NEVER, GL_LESS, GL_EQUAL, GL_LEQUAL,
                                 GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
    return f >= 1 && f <= 8 ? map[f] : 0;
}

// -1 for factors GL has no counterpart of (GL_ZERO is 0).
GLint blendFactor(DWORD b) {
    switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    }
    return -1;
}

GLenum primitiveMode(D3DPRIMITIVETYPE type) {
    switch (type) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_LINESTRIP: return GL_LINE_STRIP;
    case D3DPT_TRIANGLELIST: return GL_TRIANGLES;
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
    }
    return GL_TRIANGLES;
}

GLint filter(DWORD f) { return f == D3DTEXF_POINT ? GL_NEAREST : f == D3DTEXF_LINEAR ? GL_LINEAR : 0; }

GLint address(DWORD a) {
    switch (a) {
    case D3DTADDRESS_WRAP: return GL_REPEAT;
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    }
    return 0;
}

// A stage's argument as a combiner source; 0 for what GL cannot express here (modifiers).
GLenum combineSource(DWORD arg, DWORD stage) {
    switch (arg) {
    case D3DTA_DIFFUSE: return GL_PRIMARY_COLOR;
    case D3DTA_CURRENT: return stage == 0 ? GL_PRIMARY_COLOR : GL_PREVIOUS;
    case D3DTA_TEXTURE: return GL_TEXTURE;
    case D3DTA_TFACTOR: return GL_CONSTANT;
    }
    return 0;
}

void colorOf(D3DCOLOR c, float out[4]) {
    out[0] = float(c >> 16 & 0xFF) / 255.0f;
    out[1] = float(c >> 8 & 0xFF) / 255.0f;
    out[2] = float(c & 0xFF) / 255.0f;
    out[3] = float(c >> 24) / 255.0f;
}

// Direct3D clip space to GL's, as a row-vector matrix applied after the projection: y flips
// so that GL's first row read back is the device's top row; x and y move by half a pixel
// (plus the jitter), because the device samples pixels at integer coordinates and GL at
// their centres; z goes from 0..w to -w..w.
D3DXMATRIX clipToGl(UINT width, UINT height, float jitterX, float jitterY) {
    D3DXMATRIX m = identity();
    m._22 = -1.0f;
    m._33 = 2.0f;
    m._41 = (1.0f + 2.0f * jitterX) / float(width);
    m._42 = (1.0f + 2.0f * jitterY) / float(height);
    m._43 = -1.0f;
    return m;
}

// The render states the translation models; any other state in a scene is refused, so that a
// comparison never passes because the oracle ignored what the device was asked to do.
bool modelled(D3DRENDERSTATETYPE s) {
    switch (s) {
    case D3DRS_ZENABLE: case D3DRS_FILLMODE: case D3DRS_SHADEMODE: case D3DRS_ZWRITEENABLE:
    case D3DRS_ALPHATESTENABLE: case D3DRS_SRCBLEND: case D3DRS_DESTBLEND: case D3DRS_CULLMODE:
    case D3DRS_ZFUNC: case D3DRS_ALPHAREF: case D3DRS_ALPHAFUNC: case D3DRS_DITHERENABLE:
    case D3DRS_ALPHABLENDENABLE: case D3DRS_FOGENABLE: case D3DRS_SPECULARENABLE: case D3DRS_TEXTUREFACTOR:
    case D3DRS_LIGHTING: case D3DRS_AMBIENT: case D3DRS_COLORVERTEX: case D3DRS_LOCALVIEWER:
    case D3DRS_NORMALIZENORMALS: case D3DRS_DIFFUSEMATERIALSOURCE: case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE: case D3DRS_EMISSIVEMATERIALSOURCE: case D3DRS_BLENDOP:
    case D3DRS_EDGEANTIALIAS:
    case D3DRS_LASTPIXEL:  // line ends are compared as edges
        return true;
    default:
        return false;
    }
}

bool modelled(D3DTEXTURESTAGESTATETYPE s) {
    switch (s) {
    case D3DTSS_COLOROP: case D3DTSS_COLORARG1: case D3DTSS_COLORARG2: case D3DTSS_ALPHAOP:
    case D3DTSS_ALPHAARG1: case D3DTSS_ALPHAARG2: case D3DTSS_ADDRESSU: case D3DTSS_ADDRESSV:
    case D3DTSS_BORDERCOLOR: case D3DTSS_MAGFILTER: case D3DTSS_MINFILTER: case D3DTSS_MIPFILTER:
        return true;
    default:
        return false;
    }
}

}  // namespace

// The device state the scene has built so far, starting from Direct3D 8's documented defaults
// for a device with a depth buffer.
struct GlRenderer::State {
    DWORD rs[D3DRS_COUNT] = {};
    DWORD ts[kStages][D3DTSS_COUNT] = {};
    D3DXMATRIX world = identity(), view = identity(), projection = identity();
    D3DMATERIAL8 material = {{1, 1, 1, 1}, {}, {}, {}, 0.0f};
    int texture[kStages] = {-1, -1};

    State() {
        rs[D3DRS_ZENABLE] = D3DZB_TRUE;
        rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
        rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
        rs[D3DRS_ZWRITEENABLE] = TRUE;
        rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
        rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
        rs[D3DRS_CULLMODE] = D3DCULL_CCW;
        rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
        rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
        rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
        rs[D3DRS_LIGHTING] = TRUE;
        rs[D3DRS_COLORVERTEX] = TRUE;
        rs[D3DRS_LOCALVIEWER] = TRUE;
        rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
        rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
        rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
        for (DWORD stage = 0; stage < kStages; ++stage) {
            DWORD* t = ts[stage];
            t[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
            t[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
            t[D3DTSS_COLORARG1] = t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
            t[D3DTSS_COLORARG2] = t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
            t[D3DTSS_ADDRESSU] = t[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
            t[D3DTSS_MAGFILTER] = t[D3DTSS_MINFILTER] = D3DTEXF_POINT;
            t[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        }
    }
};

// ---- Renderer --------------------------------------------------------------------------------

GlRenderer::GlRenderer(const Scene& scene) : scene_(scene) {
    glGenFramebuffers(1, &framebuffer_);
    glGenRenderbuffers(1, &colorBuffer_);
    glGenRenderbuffers(1, &depthBuffer_);
    glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, GLsizei(scene.width), GLsizei(scene.height));
    glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, GLsizei(scene.width), GLsizei(scene.height));
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer_);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        error_ = "the GL framebuffer (RGBA8 + DEPTH_COMPONENT16) is incomplete";
        return;
    }

    std::vector<uint32_t> texels;
    auto upload = [&](const Texture& t) {
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        texels = t.texels;
        if (t.opaque)
            for (uint32_t& texel : texels) texel |= 0xFF000000u;
        // Bytes B, G, R, A, the same memory order as A8R8G8B8; rows top first on both sides,
        // so texture coordinate v = 0 is the first row for both.
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(t.width), GLsizei(t.height), 0, GL_BGRA, GL_UNSIGNED_BYTE,
                     texels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        textures_.push_back(name);
    };
    for (const Texture& t : scene.textures) upload(t);
    upload(Texture{1, 1, {0xFFFFFFFFu}, false});

    std::vector<uint8_t> bytes;
    for (const Draw& draw : scene.draws) {
        const UINT stride = vertexStride(draw.fvf);
        bytes.assign(size_t(stride) * draw.vertices.size(), 0);
        for (size_t i = 0; i < draw.vertices.size(); ++i) packVertex(draw.vertices[i], draw.fvf, &bytes[i * stride]);
        GLuint buffers[2] = {};
        glGenBuffers(draw.indices.empty() ? 1 : 2, buffers);
        glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(bytes.size()), bytes.data(), GL_STATIC_DRAW);
        if (buffers[1]) {
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
            glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(draw.indices.size() * 2), draw.indices.data(),
                         GL_STATIC_DRAW);
        }
        buffers_.push_back(buffers[0]);
        indexBuffers_.push_back(buffers[1]);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);

    glDisable(GL_DITHER);
    glEnable(GL_TEXTURE_2D);
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);  // flat shading takes the first vertex's colour
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

GlRenderer::~GlRenderer() {
    glDeleteBuffers(GLsizei(buffers_.size()), buffers_.data());
    glDeleteBuffers(GLsizei(indexBuffers_.size()), indexBuffers_.data());
    glDeleteTextures(GLsizei(textures_.size()), textures_.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer_);
    glDeleteRenderbuffers(1, &colorBuffer_);
    glDeleteRenderbuffers(1, &depthBuffer_);
}

bool GlRenderer::unsupported(const std::string& what) {
    error_ = "the GL oracle has no model of " + what;
    return false;
}

bool GlRenderer::render(float jitterX, float jitterY) {
    if (!error_.empty()) return false;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glViewport(0, 0, GLsizei(scene_.width), GLsizei(scene_.height));
    float clear[4];
    colorOf(scene_.clear, clear);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    glClearDepth(1.0);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    State state;
    for (size_t i = 0; i < scene_.draws.size(); ++i) {
        const Draw& draw = scene_.draws[i];
        if (!apply(draw, i, state, jitterX, jitterY)) return false;
        const GLsizei count = GLsizei(elementCount(draw));
        if (count == 0) continue;
        if (draw.indices.empty())
            glDrawArrays(primitiveMode(draw.type), 0, count);
        else
            glDrawElements(primitiveMode(draw.type), count, GL_UNSIGNED_SHORT, nullptr);
    }
    return true;
}

bool GlRenderer::apply(const Draw& draw, size_t index, State& state, float jitterX, float jitterY) {
    for (const RenderState& rs : draw.renderStates) {
        if (!modelled(rs.state)) return unsupported("render state " + std::to_string(rs.state));
        state.rs[rs.state] = rs.value;
    }
    for (const StageState& ss : draw.stageStates) {
        if (!modelled(ss.type) || ss.stage >= kStages)
            return unsupported("texture stage state " + std::to_string(ss.type) + " of stage " + std::to_string(ss.stage));
        state.ts[ss.stage][ss.type] = ss.value;
    }
    if (draw.world) state.world = *draw.world;
    if (draw.view) state.view = *draw.view;
    if (draw.projection) state.projection = *draw.projection;
    if (draw.material) state.material = *draw.material;
    if (draw.texture) state.texture[0] = *draw.texture;
    if (draw.texture1) state.texture[1] = *draw.texture1;

    // Row-vector matrices in row-major order are GL's column-vector matrices in column-major
    // order, so they load unchanged.
    const D3DXMATRIX projection = state.projection * clipToGl(scene_.width, scene_.height, jitterX, jitterY);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(&projection.m[0][0]);
    glMatrixMode(GL_MODELVIEW);
    // Lights are in world space: GL takes their positions through the modelview at the time.
    glLoadMatrixf(&state.view.m[0][0]);
    if (!applyLighting(draw, state)) return false;
    const D3DXMATRIX worldView = state.world * state.view;
    glLoadMatrixf(&worldView.m[0][0]);
    if (!applyRaster(state) || !applyTexturing(state, draw.fvf)) return false;
    bindVertices(draw, index);
    return true;
}

bool GlRenderer::applyLighting(const Draw& draw, const State& state) {
    const DWORD* rs = state.rs;
    if (!rs[D3DRS_LIGHTING]) {
        glDisable(GL_LIGHTING);
        return true;
    }
    if (scene_.lights.size() > 8) return unsupported("more than 8 lights");
    glEnable(GL_LIGHTING);
    const bool specular = rs[D3DRS_SPECULARENABLE] != 0;
    for (GLenum i = 0; i < 8; ++i) {
        const GLenum light = GL_LIGHT0 + i;
        if (i >= scene_.lights.size()) {
            glDisable(light);
            continue;
        }
        const D3DLIGHT8& l = scene_.lights[i];
        glEnable(light);
        const float none[4] = {0, 0, 0, 1};
        glLightfv(light, GL_AMBIENT, &l.Ambient.r);
        glLightfv(light, GL_DIFFUSE, &l.Diffuse.r);
        glLightfv(light, GL_SPECULAR, specular ? &l.Specular.r : none);
        if (l.Type == D3DLIGHT_DIRECTIONAL) {
            // GL's position of an infinite light points towards the light.
            D3DXVECTOR3 toLight(-l.Direction.x, -l.Direction.y, -l.Direction.z);
            D3DXVec3Normalize(&toLight, &toLight);
            const float position[4] = {toLight.x, toLight.y, toLight.z, 0.0f};
            glLightfv(light, GL_POSITION, position);
            glLightf(light, GL_CONSTANT_ATTENUATION, 1.0f);
            glLightf(light, GL_LINEAR_ATTENUATION, 0.0f);
            glLightf(light, GL_QUADRATIC_ATTENUATION, 0.0f);
        } else if (l.Type == D3DLIGHT_POINT) {
            const float position[4] = {l.Position.x, l.Position.y, l.Position.z, 1.0f};
            glLightfv(light, GL_POSITION, position);
            glLightf(light, GL_CONSTANT_ATTENUATION, l.Attenuation0);
            glLightf(light, GL_LINEAR_ATTENUATION, l.Attenuation1);
            glLightf(light, GL_QUADRATIC_ATTENUATION, l.Attenuation2);
        } else {
            return unsupported("spot lights (their cone differs from GL's)");
        }
        glLightf(light, GL_SPOT_CUTOFF, 180.0f);
    }
    float ambient[4];
    colorOf(rs[D3DRS_AMBIENT], ambient);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, rs[D3DRS_LOCALVIEWER] ? GL_TRUE : GL_FALSE);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);

    const D3DMATERIAL8& m = state.material;
    if (m.Power > 128.0f) return unsupported("a specular power above 128");
    const float none[4] = {0, 0, 0, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, &m.Ambient.r);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, &m.Diffuse.r);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular ? &m.Specular.r : none);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, &m.Emissive.r);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m.Power);

    // Vertex colours replace material colours only where the vertex has them.
    const bool vertexDiffuse = rs[D3DRS_COLORVERTEX] && has(draw.fvf, D3DFVF_DIFFUSE);
    const bool diffuseFromVertex = vertexDiffuse && rs[D3DRS_DIFFUSEMATERIALSOURCE] == D3DMCS_COLOR1;
    const bool ambientFromVertex = vertexDiffuse && rs[D3DRS_AMBIENTMATERIALSOURCE] == D3DMCS_COLOR1;
    if (vertexDiffuse && (rs[D3DRS_EMISSIVEMATERIALSOURCE] == D3DMCS_COLOR1 ||
                          (specular && rs[D3DRS_SPECULARMATERIALSOURCE] == D3DMCS_COLOR1)))
        return unsupported("emissive or specular material from the diffuse vertex colour");
    if (diffuseFromVertex || ambientFromVertex) {
        glColorMaterial(GL_FRONT_AND_BACK, diffuseFromVertex && ambientFromVertex ? GL_AMBIENT_AND_DIFFUSE
                                           : diffuseFromVertex                    ? GL_DIFFUSE
                                                                                  : GL_AMBIENT);
        glEnable(GL_COLOR_MATERIAL);
    } else {
        glDisable(GL_COLOR_MATERIAL);
    }
    return true;
}

bool GlRenderer::applyRaster(const State& state) {
    const DWORD* rs = state.rs;
    if (rs[D3DRS_FOGENABLE]) return unsupported("fog");
    rs[D3DRS_NORMALIZENORMALS] ? glEnable(GL_NORMALIZE) : glDisable(GL_NORMALIZE);

    if (rs[D3DRS_ZENABLE] == D3DZB_TRUE) {
        if (!compareFunction(rs[D3DRS_ZFUNC])) return unsupported("ZFUNC " + std::to_string(rs[D3DRS_ZFUNC]));
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(compareFunction(rs[D3DRS_ZFUNC]));
    } else if (rs[D3DRS_ZENABLE] == D3DZB_FALSE) {
        glDisable(GL_DEPTH_TEST);
    } else {
        return unsupported("ZENABLE " + std::to_string(rs[D3DRS_ZENABLE]));
    }
    glDepthMask(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);

    // With y flipped into GL's window, the device's clockwise triangles are GL's
    // counter-clockwise (front) ones; the device culls counter-clockwise by default.
    switch (rs[D3DRS_CULLMODE]) {
    case D3DCULL_NONE: glDisable(GL_CULL_FACE); break;
    case D3DCULL_CW: glEnable(GL_CULL_FACE); glCullFace(GL_FRONT); break;
    case D3DCULL_CCW: glEnable(GL_CULL_FACE); glCullFace(GL_BACK); break;
    default: return unsupported("CULLMODE " + std::to_string(rs[D3DRS_CULLMODE]));
    }
    glFrontFace(GL_CCW);

    switch (rs[D3DRS_FILLMODE]) {
    case D3DFILL_POINT: glPolygonMode(GL_FRONT_AND_BACK, GL_POINT); break;
    case D3DFILL_WIREFRAME: glPolygonMode(GL_FRONT_AND_BACK, GL_LINE); break;
    case D3DFILL_SOLID: glPolygonMode(GL_FRONT_AND_BACK, GL_FILL); break;
    default: return unsupported("FILLMODE " + std::to_string(rs[D3DRS_FILLMODE]));
    }
    glShadeModel(rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH);

    if (rs[D3DRS_ALPHABLENDENABLE]) {
        const GLint src = blendFactor(rs[D3DRS_SRCBLEND]), dst = blendFactor(rs[D3DRS_DESTBLEND]);
        if (src < 0 || dst < 0) return unsupported("the blend factors " + std::to_string(rs[D3DRS_SRCBLEND]) + ", " +
                                             std::to_string(rs[D3DRS_DESTBLEND]));
        const DWORD op = rs[D3DRS_BLENDOP];
        if (op < D3DBLENDOP_ADD || op > D3DBLENDOP_REVSUBTRACT) return unsupported("BLENDOP " + std::to_string(op));
        glEnable(GL_BLEND);
        glBlendFunc(GLenum(src), GLenum(dst));
        glBlendEquation(op == D3DBLENDOP_ADD        ? GL_FUNC_ADD
                        : op == D3DBLENDOP_SUBTRACT ? GL_FUNC_SUBTRACT
                                                    : GL_FUNC_REVERSE_SUBTRACT);
    } else {
        glDisable(GL_BLEND);
    }
    if (rs[D3DRS_ALPHATESTENABLE]) {
        if (!compareFunction(rs[D3DRS_ALPHAFUNC])) return unsupported("ALPHAFUNC " + std::to_string(rs[D3DRS_ALPHAFUNC]));
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(compareFunction(rs[D3DRS_ALPHAFUNC]), float(rs[D3DRS_ALPHAREF] & 0xFF) / 255.0f);
    } else {
        glDisable(GL_ALPHA_TEST);
    }
    return true;
}

bool GlRenderer::applyTexturing(const State& state, DWORD fvf) {
    for (DWORD stage = 0; stage < kStages; ++stage) {
        glActiveTexture(GL_TEXTURE0 + stage);
        // A disabled stage ends the chain.
        if (stage > 0 && (state.ts[stage][D3DTSS_COLOROP] == D3DTOP_DISABLE ||
                          state.ts[0][D3DTSS_COLOROP] == D3DTOP_DISABLE)) {
            glDisable(GL_TEXTURE_2D);
            continue;
        }
        if (stage >= (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT && stage > 0)
            return unsupported("a texture stage without its own texture coordinates");
        glEnable(GL_TEXTURE_2D);
        if (!applyStage(state, stage)) return false;
    }
    return true;
}

bool GlRenderer::applyStage(const State& state, DWORD stage) {
    const DWORD* ts = state.ts[stage];
    // Without a texture the TEXTURE argument is opaque white: a white texel gives exactly that.
    const int bound = state.texture[stage];
    glBindTexture(GL_TEXTURE_2D, bound >= 0 ? textures_.at(size_t(bound)) : textures_.back());
    const GLint mag = filter(ts[D3DTSS_MAGFILTER]), min = filter(ts[D3DTSS_MINFILTER]);
    if (!mag || !min || ts[D3DTSS_MIPFILTER] != D3DTEXF_NONE) return unsupported("this texture filter");
    const GLint u = address(ts[D3DTSS_ADDRESSU]), v = address(ts[D3DTSS_ADDRESSV]);
    if (!u || !v) return unsupported("this texture addressing");
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mag);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, u);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, v);
    float border[4];
    colorOf(ts[D3DTSS_BORDERCOLOR], border);
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    float factor[4];
    colorOf(state.rs[D3DRS_TEXTUREFACTOR], factor);
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, factor);

    // The stage as one GL combiner. A disabled colour operation (stage 0) or alpha operation
    // passes the current value on.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    struct Channel {
        DWORD op, arg1, arg2;
        GLenum combine, source0, source1, scale;
    };
    const bool colorOff = ts[D3DTSS_COLOROP] == D3DTOP_DISABLE;
    const bool alphaOff = colorOff || ts[D3DTSS_ALPHAOP] == D3DTOP_DISABLE;
    const Channel channels[2] = {
        {colorOff ? DWORD(D3DTOP_SELECTARG1) : ts[D3DTSS_COLOROP], colorOff ? D3DTA_CURRENT : ts[D3DTSS_COLORARG1],
         ts[D3DTSS_COLORARG2], GL_COMBINE_RGB, GL_SRC0_RGB, GL_SRC1_RGB, GL_RGB_SCALE},
        {alphaOff ? DWORD(D3DTOP_SELECTARG1) : ts[D3DTSS_ALPHAOP], alphaOff ? D3DTA_CURRENT : ts[D3DTSS_ALPHAARG1],
         ts[D3DTSS_ALPHAARG2], GL_COMBINE_ALPHA, GL_SRC0_ALPHA, GL_SRC1_ALPHA, GL_ALPHA_SCALE},
    };
    for (const Channel& c : channels) {
        const GLenum a1 = combineSource(c.arg1, stage), a2 = combineSource(c.arg2, stage);
        GLenum mode = 0;
        GLenum first = a1, second = a2;
        float scale = 1.0f;
        switch (c.op) {
        case D3DTOP_SELECTARG1: mode = GL_REPLACE; break;
        case D3DTOP_SELECTARG2: mode = GL_REPLACE; first = a2; break;
        case D3DTOP_MODULATE: mode = GL_MODULATE; break;
        case D3DTOP_MODULATE2X: mode = GL_MODULATE; scale = 2.0f; break;
        case D3DTOP_MODULATE4X: mode = GL_MODULATE; scale = 4.0f; break;
        case D3DTOP_ADD: mode = GL_ADD; break;
        case D3DTOP_ADDSIGNED: mode = GL_ADD_SIGNED; break;
        case D3DTOP_SUBTRACT: mode = GL_SUBTRACT; break;
        }
        if (!mode || !first || (mode != GL_REPLACE && !second))
            return unsupported("texture operation " + std::to_string(c.op) + " with arguments " +
                               std::to_string(c.arg1) + ", " + std::to_string(c.arg2));
        glTexEnvi(GL_TEXTURE_ENV, c.combine, GLint(mode));
        glTexEnvi(GL_TEXTURE_ENV, c.source0, GLint(first));
        glTexEnvi(GL_TEXTURE_ENV, c.source1, GLint(second ? second : first));
        glTexEnvf(GL_TEXTURE_ENV, c.scale, scale);
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_ALPHA, GL_SRC_ALPHA);
    return true;
}

void GlRenderer::bindVertices(const Draw& draw, size_t index) {
    glBindBuffer(GL_ARRAY_BUFFER, buffers_[index]);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffers_[index]);
    const GLsizei stride = GLsizei(vertexStride(draw.fvf));
    auto at = [](size_t offset) { return reinterpret_cast<const void*>(offset); };
    size_t offset = 0;
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, at(offset));
    offset += 12;
    if (has(draw.fvf, D3DFVF_NORMAL)) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, stride, at(offset));
        offset += 12;
    } else {
        glDisableClientState(GL_NORMAL_ARRAY);
        glNormal3f(0, 0, 0);
    }
    if (has(draw.fvf, D3DFVF_DIFFUSE)) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, stride, at(offset));
        offset += 4;
    } else {
        // Unlit vertices without a colour are white.
        glDisableClientState(GL_COLOR_ARRAY);
        glColor4f(1, 1, 1, 1);
    }
    const DWORD sets = (draw.fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    for (DWORD stage = 0; stage < kStages; ++stage) {
        glClientActiveTexture(GL_TEXTURE0 + stage);
        if (stage < sets) {
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(2, GL_FLOAT, stride, at(offset + 8 * stage));
        } else {
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            glMultiTexCoord2f(GL_TEXTURE0 + stage, 0, 0);
        }
    }
}

void GlRenderer::finish() { glFinish(); }

Image GlRenderer::read() {
    Image image{scene_.width, scene_.height, std::vector<uint32_t>(size_t(scene_.width) * scene_.height)};
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glReadPixels(0, 0, GLsizei(scene_.width), GLsizei(scene_.height), GL_BGRA, GL_UNSIGNED_BYTE, image.pixels.data());
    for (uint32_t& p : image.pixels) p |= 0xFF000000u;
    return image;
}

uint64_t GlRenderer::countFilledPixels() {
    GLuint query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_SAMPLES_PASSED, query);
    render();
    glEndQuery(GL_SAMPLES_PASSED);
    GLuint64 samples = 0;
    glGetQueryObjectui64v(query, GL_QUERY_RESULT, &samples);
    glDeleteQueries(1, &query);
    return samples;
}

}  // namespace kvtest::scene3d
