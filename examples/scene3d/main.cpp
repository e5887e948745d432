// scene3d: a sky box, a lit terrain with a textured, translucent lake, a camera that the
// arrow keys and the mouse (right button held) turn, W and S to move, the triangle under the
// mouse highlighted, a sprite HUD and a frames-per-second text; a sound on Space, looping
// background music, and a game controller when one is attached. See usage() for the command
// line.
#include <tovren/tovren.h>

#include <mvobject/mvobject.h>
#include <platform/audio.h>
#include <platform/window.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr uint16_t kWidth = 800;
constexpr uint16_t kHeight = 600;
constexpr float kPi = 3.14159265f;

// DirectInput key codes.
constexpr uint8_t kEscape = 0x01, kW = 0x11, kS = 0x1F, kSpace = 0x39, kUp = 0xC8, kLeft = 0xCB, kRight = 0xCD,
                  kDown = 0xD0;
constexpr int32_t kStickDeadZone = 150;  // of -1000..1000

volatile std::sig_atomic_t g_interrupted = 0;

struct Options {
    long frames = -1;
    std::string screenshot;  // absolute, since the program works in the data folder
    std::string dataDir;
};

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: scene3d [--frames N] [--screenshot FILE.bmp] [--data DIR]\n"
                 "  --frames N         stop after N frames\n"
                 "  --screenshot FILE  run without a window and save the last frame as a BMP file\n"
                 "  --data DIR         folder of sky.xml, its textures, water.tga, terrain.mvo, chirp.wav\n"
                 "                     and music.mp3\n"
                 "Arrow keys or the mouse with the right button held turn the camera, W and S move it,\n"
                 "Space plays a sound, Escape quits. The triangle under the mouse is drawn in red and\n"
                 "music loops in the background. With a game controller attached, the left stick turns\n"
                 "and moves, the right stick looks up and down, and the first button plays the sound.\n");
}

// The data folder next to the program in a build tree, or the installed one.
std::string defaultDataDir() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path here = exe.parent_path();
    for (const auto& candidate : {here / "scene3d-data", here / ".." / "share" / "scene3d"}) {
        if (std::filesystem::exists(candidate / "sky.xml", error)) return candidate.string();
    }
    return (here / "scene3d-data").string();
}

// 0 to go on, otherwise the exit status.
int parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            usage(stdout);
            return -1;
        }
        if (std::strcmp(arg, "--frames") == 0 && hasValue) {
            char* end = nullptr;
            options.frames = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || options.frames < 1) {
                std::fprintf(stderr, "scene3d: --frames needs a positive number, not \"%s\"\n", argv[i]);
                return 2;
            }
        } else if (std::strcmp(arg, "--screenshot") == 0 && hasValue) {
            options.screenshot = std::filesystem::absolute(argv[++i]).string();
        } else if (std::strcmp(arg, "--data") == 0 && hasValue) {
            options.dataDir = argv[++i];
        } else {
            std::fprintf(stderr, "scene3d: unknown or incomplete option \"%s\"\n", arg);
            usage(stderr);
            return 2;
        }
    }
    if (options.dataDir.empty()) options.dataDir = defaultDataDir();
    return 0;
}

std::string statusText(uint32_t status) {
    char text[64];
    TOVREN_ERROR_GetStringByCode(status, text);
    return text;
}

// Model loads pass MVObject's own codes through; the rest are the engine's.
std::string modelStatusText(uint32_t status) {
    switch (status) {
    case MVO_ERR_MAGIC: return "not an MVO file";
    case MVO_ERR_MAJOR_VERSION: return "an MVO version this program cannot read";
    case MVO_ERR_OBJECT_COUNT: return "not exactly one object in the file";
    case MVO_ERR_VERTEX_COUNT:
    case MVO_ERR_FACE_COUNT: return "fewer than three vertices or no faces";
    case MVO_ERR_OPEN: return "cannot be opened";
    case MVO_ERR_WRITE:
    case MVO_ERR_READ: return "the file ends before its data";
    case MVO_ERR_MEMORY: return "out of memory";
    case 0xFFFFFFFF: return "the device cannot hold its vertex buffer";
    default: return statusText(status);
    }
}

D3DCOLORVALUE colour(float r, float g, float b) { return D3DCOLORVALUE{r, g, b, 1.0f}; }

D3DMATERIAL8 material(D3DCOLORVALUE diffuse, D3DCOLORVALUE emissive) {
    D3DMATERIAL8 m{};
    m.Diffuse = diffuse;
    m.Ambient = diffuse;
    m.Emissive = emissive;
    return m;
}

TOVREN_LIGHT lightRecord(uint32_t kind, TOVREN_fCoord3 position, TOVREN_fCoord3 direction, TOVREN_RGB diffuse,
                         float range) {
    TOVREN_LIGHT light{};
    light.kind = kind;
    light.position = position;
    light.direction = direction;
    light.diffuse = diffuse;
    light.range = range;
    return light;
}

// The first face in face order under the point, as PickTriangle decides it: the face range
// is halved while its first half still holds a hit. -1 when nothing is under the point.
int64_t pickedFace(cTOVREN_Intersection& test, const cTOVREN_Model& model, int x, int y) {
    cTOVREN_Model part = model;
    if (!test.PickTriangle(part, x, y, kWidth, kHeight)) return -1;
    uint32_t first = 0, count = model.faceCount;
    while (count > 1) {
        part.faces = model.faces + first;
        part.faceCount = count / 2;
        if (test.PickTriangle(part, x, y, kWidth, kHeight)) {
            count /= 2;
        } else {
            first += count / 2;
            count -= count / 2;
        }
    }
    return first;
}

// A translucent dark panel with a light border, bytes B, G, R, A.
std::vector<uint8_t> panelPixels(uint32_t width, uint32_t height) {
    std::vector<uint8_t> pixels(size_t(width) * height * 4);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const bool border = x < 2 || y < 2 || x >= width - 2 || y >= height - 2;
            uint8_t* p = &pixels[(size_t(y) * width + x) * 4];
            p[0] = border ? 220 : 40;
            p[1] = border ? 200 : 24;
            p[2] = border ? 160 : 16;
            p[3] = border ? 230 : 150;
        }
    }
    return pixels;
}

// A white cross with a dark outline for the mouse position.
std::vector<uint8_t> crossPixels() {
    std::vector<uint8_t> pixels(16 * 16 * 4, 0);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const bool line = x == 7 || x == 8 || y == 7 || y == 8;
            const bool outline = !line && (std::abs(x - 7) <= 1 || std::abs(y - 7) <= 1 || x == 9 || y == 9);
            uint8_t* p = &pixels[(y * 16 + x) * 4];
            const uint8_t value = line ? 255 : 0;
            p[0] = p[1] = p[2] = value;
            p[3] = line ? 255 : outline ? 160 : 0;
        }
    }
    return pixels;
}

// The lake: a flat grid at the water level over the whole terrain, so that the valleys fill
// with water. Its texture repeats across it with a full mip chain, filtered between levels,
// and its alpha lets the ground show through.
class Lake {
public:
    static constexpr float kLevel = -7.0f, kHalfSize = 200.0f, kRepeats = 10.0f;
    static constexpr int kCells = 16;

    // 0 or the engine's status of the failed step.
    uint32_t create(IDirect3DDevice8* device, const char* textureFile) {
        cTOVREN_Image image;
        if (const uint32_t status = image.LoadImageA(textureFile)) return status;
        const uint32_t status = fillTexture(device, image);
        std::free(image.pixels);
        if (status) return status;
        return fillBuffers(device) ? 0 : TOVREN_ERR_TEXTURE_CREATE;
    }

    void draw(IDirect3DDevice8* device) const {
        if (!vertices_ || !indices_ || !texture_) return;
        const D3DXMATRIX identity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
        device->SetTransform(D3DTS_WORLD, &identity);
        device->SetMaterial(&material_);
        device->SetTexture(0, texture_);
        device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
        device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetStreamSource(0, vertices_, sizeof(Vertex));
        device->SetIndices(indices_, 0);
        device->SetVertexShader(kFvf);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, kVertexCount, 0, kCells * kCells * 2);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
        device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
        device->SetTexture(0, nullptr);
    }

    void release() {
        for (IUnknown* object : {static_cast<IUnknown*>(texture_), static_cast<IUnknown*>(vertices_),
                                 static_cast<IUnknown*>(indices_)})
            if (object) object->Release();
        texture_ = nullptr, vertices_ = nullptr, indices_ = nullptr;
    }

private:
    struct Vertex {
        float x, y, z, nx, ny, nz, u, v;
    };
    static constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
    static constexpr UINT kVertexCount = (kCells + 1) * (kCells + 1);

    // A texture with the whole chain of smaller levels, made from level 0 as it is written.
    uint32_t fillTexture(IDirect3DDevice8* device, const cTOVREN_Image& image) {
        if (FAILED(D3DXCreateTexture(device, image.width, image.height, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                     &texture_)))
            return TOVREN_ERR_TEXTURE_CREATE;
        D3DLOCKED_RECT locked{};
        if (FAILED(texture_->LockRect(0, &locked, nullptr, 0))) return TOVREN_ERR_TEXTURE_CREATE;
        for (uint32_t y = 0; y < image.height; ++y)
            std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                        image.pixels + size_t(y) * image.width * 4, size_t(image.width) * 4);
        texture_->UnlockRect(0);
        return 0;
    }

    bool fillBuffers(IDirect3DDevice8* device) {
        const UINT indexCount = kCells * kCells * 6;
        if (FAILED(device->CreateVertexBuffer(kVertexCount * sizeof(Vertex), D3DUSAGE_WRITEONLY, kFvf, D3DPOOL_MANAGED,
                                              &vertices_)) ||
            FAILED(device->CreateIndexBuffer(indexCount * 2, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                             &indices_)))
            return false;
        BYTE* data = nullptr;
        if (FAILED(vertices_->Lock(0, 0, &data, 0))) return false;
        auto* vertex = reinterpret_cast<Vertex*>(data);
        for (int row = 0; row <= kCells; ++row)
            for (int column = 0; column <= kCells; ++column) {
                const float s = float(column) / kCells, t = float(row) / kCells;
                *vertex++ = Vertex{-kHalfSize + 2 * kHalfSize * s, kLevel, kHalfSize - 2 * kHalfSize * t, 0, 1, 0,
                                   s * kRepeats, t * kRepeats};
            }
        vertices_->Unlock();
        if (FAILED(indices_->Lock(0, 0, &data, 0))) return false;
        auto* index = reinterpret_cast<uint16_t*>(data);
        for (int row = 0; row < kCells; ++row)
            for (int column = 0; column < kCells; ++column) {
                // Clockwise seen from above, like the terrain's faces.
                const auto corner = uint16_t(row * (kCells + 1) + column), below = uint16_t(corner + kCells + 1);
                for (uint16_t i : {corner, uint16_t(corner + 1), below, below, uint16_t(corner + 1), uint16_t(below + 1)})
                    *index++ = i;
            }
        indices_->Unlock();
        material_.Diffuse = D3DCOLORVALUE{0.8f, 0.9f, 1.0f, 1.0f};
        material_.Ambient = material_.Diffuse;
        material_.Specular = D3DCOLORVALUE{0.6f, 0.6f, 0.5f, 1.0f};
        material_.Power = 24.0f;
        return true;
    }

    IDirect3DTexture8* texture_ = nullptr;
    IDirect3DVertexBuffer8* vertices_ = nullptr;
    IDirect3DIndexBuffer8* indices_ = nullptr;
    D3DMATERIAL8 material_{};
};

struct Scene {
    cTOVREN_GraphiX gfx;
    cTOVREN_Sky sky;
    cTOVREN_Model terrain;
    Lake lake;
    cTOVREN_Camera camera;
    cTOVREN_Light sun, lamp;
    cTOVREN_Sprite panel, cross;
    cTOVREN_FontTTF font;
    cTOVREN_Intersection picker;
    D3DMATERIAL8 ground{}, highlight{};
    cTOVREN_Sound sound;
    IDirectSoundBuffer* chirp = nullptr;  // null when there is no audio output
    cTOVREN_Control pad;
    bool padAttached = false;

    void release() {
        pad.Uninit();
        sound.StopMP3Stream();
        if (chirp) chirp->Release();
        sound.Uninit();
        font.Release();
        cross.Release();
        panel.Release();
        lake.release();
        terrain.Delete();
        sky.Release();
        gfx.Uninit();
    }
};

int fail(Scene& scene, HWND window, const std::string& message) {
    std::fprintf(stderr, "scene3d: %s\n", message.c_str());
    scene.release();
    platform::destroyWindow(window);
    return 1;
}

// Loads the data from the current folder and prepares lights, materials and sprites.
std::string setUp(Scene& s) {
    const std::string here = std::filesystem::current_path().string() + "/";
    if (const uint32_t status = s.sky.LoadSkyAmbientFromXML("sky.xml")) {
        return "cannot load the sky " + here + "sky.xml or one of the textures it names: " + statusText(status);
    }
    if (const uint32_t status = s.terrain.Load("terrain.mvo")) {
        return "cannot load the model " + here + "terrain.mvo: " + modelStatusText(status);
    }
    cTOVREN_GFXDEVICES devices{};
    s.gfx.GetDevices(&devices);
    if (const uint32_t status = s.lake.create(devices.device, "water.tga")) {
        return "cannot make the lake from " + here + "water.tga: " + statusText(status);
    }
    s.gfx.SetPerspective(1.0f, 5000.0f, kPi / 3);
    s.gfx.SetClearColor(0x506070u);
    s.ground = material(colour(0.45f, 0.62f, 0.32f), colour(0, 0, 0));
    s.highlight = material(colour(1.0f, 0.25f, 0.1f), colour(0.6f, 0.1f, 0.0f));
    s.sun.Create(0, lightRecord(TOVREN_LIGHT_DIRECTIONAL, {0, 0, 0}, {-0.4f, -0.8f, 0.45f}, {1.0f, 0.95f, 0.85f}, 0));
    s.lamp.Create(1, lightRecord(TOVREN_LIGHT_POINT, {-40, 90, 60}, {0, 0, 0}, {0.45f, 0.25f, 0.1f}, 1000));
    s.sun.PrepareAndRestore();
    s.lamp.PrepareAndRestore();
    s.sun.SetAmbientLight({0.22f, 0.24f, 0.3f});
    const std::vector<uint8_t> panel = panelPixels(300, 52), cross = crossPixels();
    s.panel.Create(panel.data(), 300, 52);
    s.cross.Create(cross.data(), 16, 16);
    s.font.Create("DejaVu Sans", -15, 1);
    s.camera.position = {0, 75, -190};
    s.camera.viewAngles = {14, 0, 0};
    return {};
}

// Without an audio output the scene runs silent; missing or broken sound files are errors
// like any other missing data. Without a display nothing is heard, but everything loads.
std::string setUpSound(Scene& s, HWND window, bool headless) {
    if (headless) platform::audio::holdOutput(true);
    if (const uint32_t status = s.sound.Init(window)) {
        std::fprintf(stderr, "scene3d: no sound: %s\n", statusText(status).c_str());
        s.sound.Uninit();
        return {};
    }
    const std::string here = std::filesystem::current_path().string() + "/";
    if (const uint32_t status = s.sound.Load(&s.chirp, "chirp.wav")) {
        return "cannot load the sound " + here + "chirp.wav: " + statusText(status);
    }
    if (!s.sound.PlayMP3Stream("music.mp3")) {
        return "cannot play the music " + here + "music.mp3: it is missing or not an MP3 file";
    }
    return {};
}

float stick(int32_t value) { return std::abs(value) < kStickDeadZone ? 0.0f : float(value) / 1000.0f; }

// `pad` is null unless a controller was read this frame.
void moveCamera(cTOVREN_Camera& camera, platform::InputState& input, HWND window, const cTOVREN_Control* pad,
                float seconds) {
    const float turn = 60.0f * seconds;
    if (input.keys[kLeft]) camera.viewAngles.y -= turn;
    if (input.keys[kRight]) camera.viewAngles.y += turn;
    if (input.keys[kUp]) camera.viewAngles.x -= turn;
    if (input.keys[kDown]) camera.viewAngles.x += turn;
    int32_t dx = 0, dy = 0, wheel = 0;
    window->takeMouseMotion(dx, dy, wheel);
    if (input.mouseButtons[1]) {
        camera.viewAngles.y += 0.25f * float(dx);
        camera.viewAngles.x += 0.25f * float(dy);
    }
    float step = (input.keys[kW] ? 150.0f : 0.0f) - (input.keys[kS] ? 150.0f : 0.0f);
    if (pad) {
        camera.viewAngles.y += 1.5f * turn * stick(pad->joyX);
        camera.viewAngles.x += turn * stick(pad->joyRZ);
        step -= 150.0f * stick(pad->joyY);
    }
    camera.viewAngles.x = std::clamp(camera.viewAngles.x, -80.0f, 80.0f);
    if (step != 0) {
        const float pitch = camera.viewAngles.x * kPi / 180, yaw = camera.viewAngles.y * kPi / 180;
        camera.position.x += step * seconds * std::cos(pitch) * std::sin(yaw);
        camera.position.y -= step * seconds * std::sin(pitch);
        camera.position.z += step * seconds * std::cos(pitch) * std::cos(yaw);
    }
}

void drawFrame(Scene& s, int mouseX, int mouseY, int fps) {
    IDirect3DDevice8* device = nullptr;
    cTOVREN_GFXDEVICES devices{};
    s.gfx.GetDevices(&devices);
    device = devices.device;

    s.gfx.DrawBegin();
    s.sky.Draw(s.camera.viewAngles);
    s.camera.Apply();
    s.sun.UseLighting(true);
    device->SetMaterial(&s.ground);
    const TOVREN_fCoord3 origin{0, 0, 0};
    s.terrain.Draw(origin, origin);

    const int64_t face = pickedFace(s.picker, s.terrain, mouseX, mouseY);
    if (face >= 0) {
        // The same vertex buffer, drawn from the picked triangle only, over itself.
        TOVREN_BLOCK block{uint32_t(face) * 3, 1};
        cTOVREN_Model picked = s.terrain;
        picked.blocks = &block;
        device->SetMaterial(&s.highlight);
        picked.Draw(origin, origin);
    }
    s.lake.draw(device);

    const RECT screen{0, 0, kWidth, kHeight};
    s.panel.Draw(8, 8, RECT{0, 0, 300, 52}, screen, 0);
    s.cross.Draw(mouseX - 8, mouseY - 8, RECT{0, 0, 16, 16}, screen, 0);
    s.font.Print(RECT{18, 14, 300, 34}, 0xFFFFFFFF, "scene3d - %d fps - %u triangles", fps, s.terrain.faceCount);
    if (face >= 0) {
        s.font.Print(RECT{18, 34, 300, 54}, 0xFFFFC080, "triangle %lld under the mouse", static_cast<long long>(face));
    } else {
        s.font.Print(RECT{18, 34, 300, 54}, 0xFFB0C0D0, "no triangle under the mouse");
    }
    s.gfx.DrawFinish();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int status = parse(argc, argv, options)) return status < 0 ? 0 : status;
    std::error_code error;
    std::filesystem::current_path(options.dataDir, error);
    if (error) {
        std::fprintf(stderr, "scene3d: cannot use the data folder %s: %s\n", options.dataDir.c_str(),
                     error.message().c_str());
        return 1;
    }
    std::signal(SIGINT, [](int) { g_interrupted = 1; });

    const bool headless = !options.screenshot.empty();
    HWND window = headless ? nullptr : platform::createSdlWindow("Tovren scene3d", kWidth, kHeight);
    if (!window) window = platform::createOffscreenWindow(kWidth, kHeight);
    Scene scene;
    if (const uint32_t status = scene.gfx.Init(window, kWidth, kHeight, 32, 60, false)) {
        return fail(scene, window, "cannot create the graphics device: " + statusText(status));
    }
    if (const std::string problem = setUp(scene); !problem.empty()) return fail(scene, window, problem);
    if (const std::string problem = setUpSound(scene, window, headless); !problem.empty()) {
        return fail(scene, window, problem);
    }
    // Any controller SDL knows; none attached is the usual case, not an error.
    scene.padAttached = scene.pad.Init(nullptr, window, false, false, true) == 0;
    bool fired = false;  // the sound plays once a press

    cTOVREN_Timer frameTimer, fpsTimer;
    frameTimer.Reset();
    fpsTimer.Reset();
    int framesThisSecond = 0, fps = 0;
    for (long frame = 0; options.frames < 0 || frame < options.frames; ++frame) {
        if (g_interrupted || !platform::pumpEvents(window) || window->input().keys[kEscape]) break;
        // Fixed steps without a display, so that the screenshot is the same on every run.
        const float seconds = headless ? 1.0f / 60 : frameTimer.GetTimerShift();
        frameTimer.Reset();
        ++framesThisSecond;
        if (fpsTimer.GetTimer(1000)) {
            fps = framesThisSecond;
            framesThisSecond = 0;
        }
        platform::InputState& input = window->input();
        const bool padRead = scene.padAttached && scene.pad.GetJoystick();
        if (headless) {
            scene.camera.viewAngles.y += 6.0f * seconds;
        } else {
            moveCamera(scene.camera, input, window, padRead ? &scene.pad : nullptr, seconds);
        }
        const bool fire = input.keys[kSpace] || (padRead && scene.pad.joyButtons[0]);
        if (fire && !fired && scene.chirp) scene.sound.Play(scene.chirp, false);
        fired = fire;
        scene.sound.CheckMP3Stream(0);
        const int scale = window->clientWidth() > 0 ? window->clientWidth() : kWidth;
        const int mouseX = headless ? kWidth / 2 : input.mouseX * kWidth / scale;
        const int mouseY = headless ? kHeight / 2 + 130
                                    : input.mouseY * kHeight / std::max(1, int(window->clientHeight()));
        drawFrame(scene, mouseX, mouseY, fps);
    }
    if (headless) {
        std::filesystem::remove(options.screenshot, error);  // so that a stale file cannot pass for this one
        scene.gfx.MakeScreenShot(options.screenshot.c_str());
        if (!std::filesystem::exists(options.screenshot, error)) {
            return fail(scene, window, "cannot write the screenshot " + options.screenshot);
        }
    }
    scene.release();
    platform::destroyWindow(window);
    return 0;
}
