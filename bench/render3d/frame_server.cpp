#include "frame_server.h"

#include "engine_frame.h"

#include <scene3d/device_renderer.h>
#include <scene3d/gl_renderer.h>

#include <platform/rasterstats.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace kvbench {

using kvtest::scene3d::DeviceRenderer;
using kvtest::scene3d::GlContext;
using kvtest::scene3d::GlRenderer;
using kvtest::scene3d::Scene;

namespace {

double milliseconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

// Answers frame requests until its input ends with the frame's milliseconds of wall clock
// and of processor time (all threads), and what `stages()` adds; `draw` returns false on
// failure.
template <class Draw, class Stages>
int answerRequests(Scene& scene, Draw draw, Stages stages) {
    int frame = 0;
    while (std::scanf("%d", &frame) == 1) {
        aimCamera(scene, frame);
        platform::resetRasterStats();
        const double start = milliseconds(CLOCK_MONOTONIC), startCpu = milliseconds(CLOCK_PROCESS_CPUTIME_ID);
        if (!draw()) return 1;
        const double cpu = milliseconds(CLOCK_PROCESS_CPUTIME_ID) - startCpu;
        std::printf("%.6f %.6f%s\n", milliseconds(CLOCK_MONOTONIC) - start, cpu, stages().c_str());
        std::fflush(stdout);
    }
    return 0;
}

// The device's stage times of the last frame, as " T&L setup fill triangles pixels".
std::string deviceStages() {
    const platform::RasterStats s = platform::rasterStats();
    char text[160];
    std::snprintf(text, sizeof text, " %.6f %.6f %.6f %llu %llu", double(s.transformLightNs) * 1e-6,
                  double(s.setupNs) * 1e-6, double(s.fillNs) * 1e-6, static_cast<unsigned long long>(s.trianglesIn),
                  static_cast<unsigned long long>(s.pixelsFilled));
    return text;
}

constexpr int kWarmFrames = 8;

// The software device's frames, drawn by `renderer` (device calls or the engine's classes).
template <class Renderer>
int serveSoftware(Scene& scene, Renderer& renderer, const char* label) {
    for (int i = 0; i < kWarmFrames && renderer.error().empty(); ++i) {
        aimCamera(scene, i * 50);
        renderer.render();
    }
    if (!renderer.error().empty()) {
        std::printf("error %s\n", renderer.error().c_str());
        return 1;
    }
    const char* threads = std::getenv("KV_RASTER_THREADS");
    std::printf("ready 0 %s, %s\n", label, threads ? "KV_RASTER_THREADS=1" : "default threads");
    std::fflush(stdout);
    return answerRequests(scene, [&] { return renderer.render(); }, deviceStages);
}

int serveDevice(Scene& scene) {
    DeviceRenderer device(scene);
    return serveSoftware(scene, device, "software device");
}

int serveEngine(Scene& scene) {
    EngineFrame engine(scene);
    return serveSoftware(scene, engine, "engine classes on the software device");
}

int serveLlvmpipe(Scene& scene) {
    std::string whyNot;
    const GlContext* context = GlContext::current(&whyNot);
    if (!context) {
        std::printf("error %s\n", whyNot.c_str());
        return 1;
    }
    GlRenderer gl(scene);
    // These frames also let llvmpipe compile its code for each state.
    uint64_t filled = 0;
    for (int i = 0; i < kWarmFrames; ++i) {
        aimCamera(scene, i * 50);
        filled += gl.countFilledPixels();
    }
    if (!gl.error().empty()) {
        std::printf("error %s\n", gl.error().c_str());
        return 1;
    }
    const char* threads = std::getenv("LP_NUM_THREADS");
    std::printf("ready %llu %s, %s\n", static_cast<unsigned long long>(filled / kWarmFrames), context->renderer.c_str(),
                threads ? "LP_NUM_THREADS=0" : "default threads");
    std::fflush(stdout);
    auto draw = [&] {
        const bool drawn = gl.render();
        gl.finish();
        return drawn;
    };
    return answerRequests(scene, draw, [] { return std::string(); });
}

}  // namespace

const char* rendererName(Renderer renderer) {
    return renderer == Renderer::Device ? "device" : renderer == Renderer::Engine ? "engine" : "llvmpipe";
}

int serveFrames(Renderer renderer, Part part) {
    Scene scene = gameScene(part);
    switch (renderer) {
    case Renderer::Device: return serveDevice(scene);
    case Renderer::Engine: return serveEngine(scene);
    default: return serveLlvmpipe(scene);
    }
}

FrameServer::FrameServer(Renderer renderer, Part part, bool singleThreaded) {
    int down[2], up[2];
    if (pipe(down) != 0 || pipe(up) != 0) {
        error_ = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "LP_NUM_THREADS=", 15) != 0 && std::strncmp(*e, "KV_RASTER_THREADS=", 18) != 0 &&
            std::strncmp(*e, "KV_RASTER_STATS=", 16) != 0)
            env.emplace_back(*e);
    const bool device = renderer != Renderer::Llvmpipe;
    if (singleThreaded) env.emplace_back(device ? "KV_RASTER_THREADS=1" : "LP_NUM_THREADS=0");
    if (device) env.emplace_back("KV_RASTER_STATS=1");
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string self = "/proc/self/exe", flag = kServeFlag, who = rendererName(renderer), what = partName(part);
    char* argv[] = {self.data(), flag.data(), who.data(), what.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, down[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, up[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, down[1]);
    posix_spawn_file_actions_addclose(&actions, up[0]);
    const int spawned = posix_spawn(&pid_, self.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(down[0]);
    close(up[1]);
    toChild_ = fdopen(down[1], "w");
    fromChild_ = fdopen(up[0], "r");
    if (spawned != 0) {
        pid_ = -1;
        error_ = std::string("posix_spawn: ") + std::strerror(spawned);
        return;
    }
    char line[512] = {};
    if (!std::fgets(line, sizeof line, fromChild_)) {
        error_ = std::string("the ") + who + " process ended before it was ready";
        return;
    }
    line[std::strcspn(line, "\n")] = 0;
    unsigned long long filled = 0;
    int used = 0;
    if (std::sscanf(line, "ready %llu %n", &filled, &used) == 1 && used > 0) {
        filled_ = filled;
        label_ = line + used;
    } else {
        error_ = line;
    }
}

FrameServer::~FrameServer() {
    if (toChild_) std::fclose(toChild_);  // the end of its input ends the child
    if (fromChild_) std::fclose(fromChild_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
}

FrameTimes FrameServer::frame(int frame) {
    FrameTimes t;
    char line[256];
    if (!error_.empty()) return t;
    if (std::fprintf(toChild_, "%d\n", frame) < 0 || std::fflush(toChild_) != 0 ||
        !std::fgets(line, sizeof line, fromChild_)) {
        error_ = "the frame server stopped answering";
        return t;
    }
    const int fields = std::sscanf(line, "%lf %lf %lf %lf %lf %lf %lf", &t.ms, &t.cpuMs, &t.transformLightMs,
                                   &t.setupMs, &t.fillMs, &t.trianglesIn, &t.pixelsFilled);
    t.staged = fields == 7;
    if (fields < 2) t.ms = -1;
    return t;
}

}  // namespace kvbench
