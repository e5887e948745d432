#include "llvmpipe_child.h"

#include <scene3d/gl_renderer.h>

#include <cstring>
#include <ctime>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace kvbench {

namespace {

double nowMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

}  // namespace

int serveLlvmpipeFrames(Part part) {
    std::string whyNot;
    const kvtest::scene3d::GlContext* context = kvtest::scene3d::GlContext::current(&whyNot);
    if (!context) {
        std::printf("error %s\n", whyNot.c_str());
        return 1;
    }
    kvtest::scene3d::Scene scene = gameScene(part);
    kvtest::scene3d::GlRenderer gl(scene);
    // The first frames also compile llvmpipe's code for each state.
    constexpr int kSamples = 8;
    uint64_t filled = 0;
    for (int i = 0; i < kSamples; ++i) {
        aimCamera(scene, i * 50);
        filled += gl.countFilledPixels();
    }
    if (!gl.error().empty()) {
        std::printf("error %s\n", gl.error().c_str());
        return 1;
    }
    std::printf("ready %llu %s\n", static_cast<unsigned long long>(filled / kSamples), context->renderer.c_str());
    std::fflush(stdout);
    int frame = 0;
    while (std::scanf("%d", &frame) == 1) {
        aimCamera(scene, frame);
        const double start = nowMilliseconds();
        gl.render();
        gl.finish();
        std::printf("%.6f\n", nowMilliseconds() - start);
        std::fflush(stdout);
    }
    return 0;
}

LlvmpipeProcess::LlvmpipeProcess(Part part, bool singleThreaded) {
    int down[2], up[2];
    if (pipe(down) != 0 || pipe(up) != 0) {
        error_ = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "LP_NUM_THREADS=", 15) != 0) env.emplace_back(*e);
    if (singleThreaded) env.emplace_back("LP_NUM_THREADS=0");
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string self = "/proc/self/exe", flag = kChildFlag, name = partName(part);
    char* argv[] = {self.data(), flag.data(), name.data(), nullptr};

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
        error_ = "the llvmpipe process ended before it was ready";
        return;
    }
    line[std::strcspn(line, "\n")] = 0;
    unsigned long long filled = 0;
    int used = 0;
    if (std::sscanf(line, "ready %llu %n", &filled, &used) == 1 && used > 0) {
        filled_ = filled;
        renderer_ = line + used;
    } else {
        error_ = line;
    }
}

LlvmpipeProcess::~LlvmpipeProcess() {
    if (toChild_) std::fclose(toChild_);  // end of input ends the child
    if (fromChild_) std::fclose(fromChild_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
}

double LlvmpipeProcess::frameMilliseconds(int frame) {
    if (!error_.empty()) return -1;
    double ms = -1;
    if (std::fprintf(toChild_, "%d\n", frame) < 0 || std::fflush(toChild_) != 0 ||
        std::fscanf(fromChild_, "%lf", &ms) != 1) {
        error_ = "the llvmpipe process stopped answering";
        return -1;
    }
    return ms;
}

}  // namespace kvbench
