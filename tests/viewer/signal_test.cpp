// kill (SIGTERM) and Ctrl+C (SIGINT) end the viewer promptly and cleanly. A display library
// is started as on a desktop (SDL's dummy video driver, which puts in signal handlers of its
// own unless the program has some), and the picture or a modal message box is up.
#include "viewer_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

pid_t startViewer(const std::string& picture, const char* language) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    setenv("DISPLAY", ":97", 1);  // names a display, so the device starts SDL's video
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    if (language)
        execl(KV_VIEWER_BIN, KV_VIEWER_BIN, "--language", language, picture.c_str(), static_cast<char*>(nullptr));
    else
        execl(KV_VIEWER_BIN, KV_VIEWER_BIN, picture.c_str(), static_cast<char*>(nullptr));
    _exit(127);
}

struct ProcessState {
    long cpuTicks = -1;  // processor time used, in clock ticks; -1 once the process is gone
    char state = '?';    // 'S' while it sleeps waiting for an event
};

ProcessState processState(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t end = text.rfind(')');
    if (end == std::string::npos) return {};
    std::istringstream fields(text.substr(end + 2));
    std::string field;
    ProcessState out{0, '?'};
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 3) out.state = field[0];
        if (i == 14) utime = std::stol(field);
        if (i == 15) stime = std::stol(field);
    }
    out.cpuTicks = utime + stime;
    return out;
}

// Up and waiting for events: asleep, its processor time standing still, for half a second.
// Still time alone is not enough: on a loaded machine a starting process can wait that long
// for a processor, runnable but not yet able to take a signal.
bool waitUntilIdle(pid_t pid) {
    const auto deadline = Clock::now() + 60s;
    long last = processState(pid).cpuTicks;
    auto stillSince = Clock::now();
    while (Clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
        const ProcessState now = processState(pid);
        if (now.cpuTicks < 0) return false;
        if (now.cpuTicks != last || now.state != 'S') {
            last = now.cpuTicks;
            stillSince = Clock::now();
        } else if (Clock::now() - stillSince >= 500ms) {
            return true;
        }
    }
    return false;
}

// The exit status, or -1 when the process is still running after `limit`.
int waitForExit(pid_t pid, Clock::duration limit) {
    const auto start = Clock::now();
    int status = 0;
    while (Clock::now() - start < limit) {
        if (waitpid(pid, &status, WNOHANG) == pid) return status;
        std::this_thread::sleep_for(5ms);
    }
    return -1;
}

}  // namespace

TEST(Signals, TermAndIntEndTheViewerCleanly) {
    kvtest::TempDir dir;
    ASSERT_TRUE(viewertest::writeBmp(dir.file("a.bmp"), 64, 48, kvtest::makePhotoRgba(64, 48)));
    struct Case {
        int signal;
        std::string picture;
        const char* language;
    };
    // A picture shown; "Can't load image!" waiting in its modal box; and the box of a missing
    // theme, which comes up before anything else.
    for (const auto& [signal, picture, language] :
         {Case{SIGTERM, dir.file("a.bmp"), nullptr}, Case{SIGINT, dir.file("missing.bmp"), nullptr},
          Case{SIGTERM, dir.file("missing.bmp"), nullptr}, Case{SIGTERM, dir.file("a.bmp"), "no-such-theme"}}) {
        const pid_t pid = startViewer(picture, language);
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(waitUntilIdle(pid)) << "the viewer did not start";
        kill(pid, signal);
        // Generous: a sanitizer build's leak scan at exit takes seconds on a loaded machine,
        // while a viewer that ignores the signal never ends.
        const int status = waitForExit(pid, 20s);
        if (status == -1) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        EXPECT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "signal " << signal << " with " << picture << ": status " << status;
    }
}
