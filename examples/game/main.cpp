// glider: a small arcade game on the Tovren engine, and the example to read first.
//
// The program is split by concern; this file holds the command line, the start-up of the
// engine's devices and the main loop that ties the others together:
//   game.cpp    the rules: phases, score, clock, high scores (no engine calls at all)
//   player.cpp  the glider's flight, the keyboard and controller mapping, the chase camera
//   world.cpp   sky, terrain, crystals, mines, lights and the intersection tests
//   hud.cpp     sprites and texts over the 3D view
//   audio.cpp   sound effects placed in stereo, and the music
//   scripted_pad.cpp  a virtual controller that tests drive (GLIDER_TEST_PAD)
// Every model, picture and sound the game loads is made from source by the build (see
// assets/ and CMakeLists.txt).
#include "audio.h"
#include "game.h"
#include "glider_help.h"
#include "hud.h"
#include "player.h"
#include "scripted_pad.h"
#include "status.h"
#include "world.h"
#include "world_size.h"

#include <tovren/tovren.h>

#include <platform/window.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

namespace {

using namespace glider;
namespace help = kvhelp_glider;

constexpr uint16_t kWidth = 800;
constexpr uint16_t kHeight = 600;
constexpr uint32_t kAttractSeed = 2026;  // the attract mode's world, and so its screenshot
constexpr float kStep = 1.0f / 60;       // the frame time without a display

volatile std::sig_atomic_t g_stop = 0;

struct Options {
    bool fullScreen = false;
    uint8_t depth = 32;
    bool mute = false;
    long frames = -1;  // -1: until the player quits
    const char* screenshot = nullptr;
    const char* log = nullptr;
    std::string dataDir;
    bool run = true;  // false: the command line was all there was to do
    int status = 0;   // the exit status when not running
};

Options stopWith(int status) {
    Options options;
    options.run = false;
    options.status = status;
    return options;
}

Options usageError(const char* what, const char* arg) {
    std::fprintf(stderr, "glider: %s '%s'\n%s", what, arg, help::usage);
    return stopWith(2);
}

// The data folder beside the program in a build tree, or the installed one.
std::string defaultDataDir() {
    std::error_code error;
    const std::filesystem::path here = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    for (const auto& candidate : {here / "glider-data", here / ".." / "share" / "glider"}) {
        if (std::filesystem::exists(candidate / "sky.xml", error)) return candidate.string();
    }
    return (here / "glider-data").string();
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::fputs(help::text, stdout);
            return stopWith(0);
        }
        if (arg == "--version") {
            std::printf("%s %s\n", help::name, help::version);
            return stopWith(0);
        }
        if (arg == "--fullscreen") {
            options.fullScreen = true;
            continue;
        }
        if (arg == "--mute") {
            options.mute = true;
            continue;
        }
        const bool takesValue = arg == "--depth" || arg == "--log" || arg == "--data" || arg == "--frames" ||
                                arg == "--screenshot";
        if (!takesValue) return usageError("unknown option", argv[i]);
        if (i + 1 >= argc) return usageError("a value is needed after", argv[i]);
        const char* value = argv[++i];
        if (arg == "--log") {
            options.log = value;
        } else if (arg == "--data") {
            options.dataDir = value;
        } else if (arg == "--screenshot") {
            options.screenshot = value;
        } else if (arg == "--depth") {
            if (std::strcmp(value, "16") != 0 && std::strcmp(value, "32") != 0)
                return usageError("--depth takes 16 or 32, not", value);
            options.depth = static_cast<uint8_t>(std::atoi(value));
        } else {
            char* end = nullptr;
            options.frames = std::strtol(value, &end, 10);
            if (*value == '\0' || *end != '\0' || options.frames < 1)
                return usageError("--frames needs a positive number of frames, not", value);
        }
    }
    if (options.dataDir.empty()) options.dataDir = defaultDataDir();
    return options;
}

// Key presses as events: true on the frame a key (or button) goes down, not while held.
class Edges {
public:
    bool pressed(const cTOVREN_Control& control, uint8_t key) {
        const bool down = (control.keys[key] & 0x80) != 0;
        return down && !(keysBefore_[key] & 0x80);
    }
    bool padPressed(const cTOVREN_Control& control, int button) {
        return control.joyButtons[button] && !padBefore_[button];
    }
    bool clicked(const cTOVREN_Control& control) {
        return (control.mouseButtons[0] & 0x80) && !(mouseBefore_ & 0x80);
    }
    // Typed characters repeat while their key is held, so only a change counts.
    char typed(char now) {
        const char result = now != charBefore_ ? now : 0;
        charBefore_ = now;
        return result;
    }
    void remember(const cTOVREN_Control& control) {
        std::memcpy(keysBefore_, control.keys, sizeof(keysBefore_));
        std::memcpy(padBefore_, control.joyButtons, sizeof(padBefore_));
        mouseBefore_ = control.mouseButtons[0];
    }

private:
    uint8_t keysBefore_[256] = {};
    bool padBefore_[16] = {};
    uint8_t mouseBefore_ = 0;
    char charBefore_ = 0;
};

// The whole game: the engine's objects and the parts built on them.
class Game {
public:
    explicit Game(const Options& options) : options_(options), headless_(options.screenshot != nullptr) {}

    // 0 when everything is up, otherwise the exit status (the reason is printed).
    int start();
    void run();
    int shutDown(bool started);

private:
    int fail(const std::string& message);
    void frame(float seconds);
    void readInput();
    void play(float seconds);
    void startRound();
    void draw();

    Options options_;
    bool headless_;
    HWND window_ = nullptr;
    cTOVREN_GraphiX graphics_;
    cTOVREN_Control control_;
    ScriptedPad testPad_;  // only when a test asks for one (GLIDER_TEST_PAD)
    cTOVREN_Camera camera_;
    Rules rules_;
    Glider player_;
    World world_;
    Hud hud_;
    Audio audio_;
    Edges edges_;
    HudInfo info_;
    bool quit_ = false;
    float beaconWait_ = 0;  // seconds until the nearest mine may beep again
    float bumpWait_ = 0;
};

// Says what failed on standard error and in the log; 1 is the exit status for it.
int Game::fail(const std::string& message) {
    std::fprintf(stderr, "glider: %s\n", message.c_str());
    TOVREN_DEBUG_PrintErrorCode("%s", message.c_str());
    return 1;
}

int Game::start() {
    std::error_code error;
    std::filesystem::current_path(options_.dataDir, error);
    if (error) {
        return fail("cannot use the data folder " + options_.dataDir + ": " + error.message());
    }
    TOVREN_DEBUG_CreateSection("Starting");
    TOVREN_DEBUG_Println("Data folder: %s", options_.dataDir.c_str());

    // A window of our own unless we only make a screenshot; the engine draws into either.
    window_ = headless_ ? platform::createOffscreenWindow(kWidth, kHeight)
                        : platform::createSdlWindow("Glider", kWidth, kHeight);
    if (!window_) {
        return fail("cannot open a window (is DISPLAY set? --frames N --screenshot FILE runs without one)");
    }
    bool fullScreen = options_.fullScreen && !headless_;
    uint32_t status = graphics_.Init(window_, kWidth, kHeight, options_.depth, 60, fullScreen);
    if (status == TOVREN_ERR_D3D_NO_ADAPTER && fullScreen) {
        // Full screen needs a display mode of exactly our size; a window always works.
        std::fprintf(stderr, "glider: the screen has no %ux%u mode at %u bits; playing in a window\n", kWidth,
                     kHeight, options_.depth);
        fullScreen = false;
        status = graphics_.Init(window_, kWidth, kHeight, options_.depth, 60, false);
    }
    if (status) return fail("cannot create the graphics device: " + statusText(status));
    graphics_.SetPerspective(1.0f, 2000.0f, 3.14159265f / 3);
    graphics_.SetClearColor(0x8090A0u);
    TOVREN_DEBUG_Println("Graphics: %ux%u, %u bits, %s", kWidth, kHeight, options_.depth,
                         fullScreen ? "full screen" : headless_ ? "offscreen" : "windowed");

    if (const std::string problem = world_.load(); !problem.empty()) return fail(problem);
    if (const std::string problem = hud_.create(kWidth, kHeight); !problem.empty()) return fail(problem);
    TOVREN_DEBUG_Println("World: %u triangles (terrain %u, forest %u), %zu crystals, %zu mines",
                         world_.triangleCount(), world_.terrain.faceCount,
                         world_.crowns.faceCount + world_.trunks.faceCount, kCrystalCount, kMineCount);

    if (const std::string problem = testPad_.plugIn(); !problem.empty()) return fail(problem);
    // The controller is optional: asking for one that is not there fails the whole Init, so
    // then try again with the keyboard and mouse alone.
    const bool pad = control_.Init(nullptr, window_, true, true, true) == 0;
    if (!pad) {
        if (const uint32_t status = control_.Init(nullptr, window_, true, true, false)) {
            return fail("cannot read the keyboard and mouse: " + statusText(status));
        }
    }
    control_.mouseX = kWidth / 2;
    control_.mouseY = kHeight / 2;
    info_.controller = pad;
    TOVREN_DEBUG_Println("Input: keyboard, mouse%s", pad ? " and a game controller" : "");

    // Sound is a pleasure, not a need: without a device the game plays on silently.
    if (options_.mute || headless_) {
        TOVREN_DEBUG_Println("Sound: off");
    } else if (const std::string problem = audio_.open(window_); !problem.empty()) {
        std::fprintf(stderr, "glider: %s; playing without sound\n", problem.c_str());
        TOVREN_DEBUG_Println("Sound: off (%s)", problem.c_str());
    } else {
        TOVREN_DEBUG_Println("Sound: on");
        audio_.startMusic();
    }
    info_.sound = audio_.on();
    TOVREN_DEBUG_CloseSection();

    world_.scatter(kAttractSeed);
    player_ = Glider{};
    player_.position.y = world_.groundHeight(0, 0) + 25;
    chase(camera_, player_, 10.0f);  // a long step puts the camera in its place at once
    return 0;
}

void Game::readInput() {
    platform::pumpEvents(window_);
    testPad_.update();
    control_.GetKeys();
    control_.GetMouse(RECT{0, 0, kWidth - 1, kHeight - 1});
    control_.GetJoystick();
}

void Game::startRound() {
    rules_.startRound();
    // A new world for every round, from the clock, so no two rounds are alike.
    world_.scatter(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    player_ = Glider{};
    player_.position.y = world_.groundHeight(0, 0) + 25;
    chase(camera_, player_, 10.0f);
    audio_.play(Effect::Start, camera_.position, camera_.viewAngles.y, player_.position);
    TOVREN_DEBUG_Println("Round started");
}

void Game::play(float seconds) {
    const TOVREN_fCoord3 previous = player_.pointAt(0, 0, 6.5f);
    player_.fly(readPilot(control_), seconds);
    player_.stayInside(kPlayHalf, seconds);
    const bool bumped = player_.keepAbove(world_.surfaceHeight(player_.position.x, player_.position.z));
    bumpWait_ -= seconds;
    if (bumped && bumpWait_ <= 0) {
        audio_.play(Effect::Bump, camera_.position, camera_.viewAngles.y, player_.position);
        bumpWait_ = 0.5f;
    }

    if (const int32_t hit = world_.touchedCrystal(player_, previous); hit >= 0) {
        rules_.collectCrystal(hit == world_.marked);
        audio_.play(Effect::Crystal, camera_.position, camera_.viewAngles.y, world_.crystals[hit].position);
        TOVREN_DEBUG_Println("Crystal %d collected%s, score %d", hit, hit == world_.marked ? " (marked)" : "",
                             rules_.score());
        world_.respawn(hit);
    }
    if (const int32_t hit = world_.touchedMine(player_, previous); hit >= 0) {
        world_.mines[hit].alive = false;
        rules_.hitMine();
        audio_.play(Effect::Boom, camera_.position, camera_.viewAngles.y, world_.mines[hit].position);
        TOVREN_DEBUG_Println("Mine %d hit, %.0f seconds left", hit, rules_.timeLeft());
    }
    // The nearest mine beeps from where it is, faster the closer it gets.
    beaconWait_ -= seconds;
    if (const int32_t near = world_.mineNear(player_.position, 90); near >= 0 && beaconWait_ <= 0) {
        audio_.play(Effect::Beacon, camera_.position, camera_.viewAngles.y, world_.mines[near].position);
        beaconWait_ = 0.8f;
    }
    if (edges_.clicked(control_)) {
        // The click picks with the camera of the last drawn frame, which is what was seen.
        world_.marked = world_.crystalUnder(control_.mouseX, control_.mouseY, kWidth, kHeight, camera_.position);
        if (world_.marked >= 0) TOVREN_DEBUG_Println("Crystal %d marked", world_.marked);
    }
    rules_.tick(seconds);
    if (rules_.phase() != Phase::Playing) TOVREN_DEBUG_Println("Round over: score %d", rules_.score());
}

void Game::frame(float seconds) {
    readInput();
    const bool startPressed = edges_.pressed(control_, DIK_RETURN) || edges_.pressed(control_, DIK_NUMPADENTER) ||
                              edges_.padPressed(control_, kPadStart);
    const bool backPressed = edges_.pressed(control_, DIK_ESCAPE) || edges_.padPressed(control_, kPadBack);
    if (edges_.pressed(control_, DIK_L)) {
        world_.toggleNight();
        TOVREN_DEBUG_Println("Sun %s", world_.night() ? "off" : "on");
    }
    switch (rules_.phase()) {
    case Phase::Title:
        if (startPressed && !headless_) {
            startRound();
        } else {
            // The title screen: the autopilot flies from crystal to crystal behind it.
            quit_ = backPressed;
            world_.attractStep(player_, seconds);
        }
        break;
    case Phase::Playing:
        if (backPressed) {
            rules_.toTitle();
            TOVREN_DEBUG_Println("Round given up, the glider turned %+.0f degrees",
                                 std::remainder(player_.heading, 360.0f));
        } else {
            play(seconds);
        }
        break;
    case Phase::EnterName:
        if (const char c = edges_.typed(control_.GetChar())) {
            rules_.type(c);
            if (rules_.phase() == Phase::GameOver)
                TOVREN_DEBUG_Println("High score: %s, %d", rules_.name().c_str(), rules_.score());
        }
        break;
    case Phase::GameOver:
        if (startPressed || backPressed) rules_.toTitle();
        break;
    }
    edges_.remember(control_);
    world_.update(seconds);
    chase(camera_, player_, seconds);
    audio_.keepMusicGoing();
    info_.clock += seconds;
    const int32_t marked = world_.marked;
    info_.markedDistance = -1;
    if (marked >= 0) {
        const TOVREN_fCoord3 m = world_.crystals[marked].position, p = player_.position;
        info_.markedDistance = static_cast<int32_t>(std::hypot(m.x - p.x, m.y - p.y, m.z - p.z));
    }
    info_.night = world_.night();
}

void Game::draw() {
    cTOVREN_GFXDEVICES devices{};
    graphics_.GetDevices(&devices);
    graphics_.DrawBegin();
    world_.draw(devices.device, camera_, player_);
    hud_.draw(rules_, info_);
    if (rules_.phase() == Phase::Playing) hud_.drawCursor(control_.mouseX, control_.mouseY);
    graphics_.DrawFinish();
}

void Game::run() {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kStep));
    auto next = Clock::now();
    auto last = next;
    double busySeconds = 0;
    long frames = 0, fpsFrames = 0;
    auto fpsMark = last;
    while (!g_stop && !quit_ && (options_.frames < 0 || frames < options_.frames)) {
        const auto begin = Clock::now();
        // Without a display every frame is exactly 1/60 s, so the attract mode (and its
        // screenshot) is the same on every run; with one, the real time passed, capped so
        // that a stall does not throw the glider across the map.
        const float seconds =
            headless_ ? kStep : std::min(std::chrono::duration<float>(begin - last).count(), 0.1f);
        last = begin;
        frame(seconds);
        draw();
        ++frames;
        ++fpsFrames;
        const auto end = Clock::now();
        busySeconds += std::chrono::duration<double>(end - begin).count();
        if (end - fpsMark >= std::chrono::seconds(1)) {
            info_.fps = static_cast<int32_t>(fpsFrames);
            fpsFrames = 0;
            fpsMark = end;
        }
        if (!headless_) {
            next = std::max(next + period, end - period);  // 60 frames a second at most
            std::this_thread::sleep_until(next);
        }
    }
    TOVREN_DEBUG_Println("Frames: %ld, %.1f ms each on average (game and drawing)", frames,
                         frames ? 1000.0 * busySeconds / static_cast<double>(frames) : 0.0);
    if (g_stop) TOVREN_DEBUG_Println("Stopped by a signal");
}

// Saves the screenshot if one was asked for, and releases everything in the reverse order
// of start(). 1 when the screenshot could not be written, else 0.
int Game::shutDown(bool started) {
    int status = 0;
    if (started && options_.screenshot) {
        graphics_.MakeScreenShot(options_.screenshot);
        std::error_code error;
        if (!std::filesystem::exists(options_.screenshot, error)) {
            status = fail(std::string("cannot write the screenshot ") + options_.screenshot);
        }
    }
    audio_.close();
    control_.Uninit();
    hud_.release();
    world_.release();
    graphics_.Uninit();
    if (window_) platform::destroyWindow(window_);
    TOVREN_DEBUG_Println("Goodbye");
    TOVREN_DEBUG_Close();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    Options options = parse(argc, argv);
    if (!options.run) return options.status;
    // A relative log or screenshot name means the folder the game was started from, not
    // the data folder the game works in.
    std::string log, screenshot;
    if (options.log) options.log = (log = std::filesystem::absolute(options.log).string()).c_str();
    if (options.screenshot) options.screenshot = (screenshot = std::filesystem::absolute(options.screenshot).string()).c_str();
    if (options.log && !TOVREN_DEBUG_Init(options.log, TOVREN_DEBUG_HTML | TOVREN_DEBUG_TIMESTAMP)) {
        std::fprintf(stderr, "glider: cannot create the log file %s\n", options.log);
        return 1;
    }
    std::signal(SIGINT, [](int) { g_stop = 1; });
    std::signal(SIGTERM, [](int) { g_stop = 1; });

    Game game(options);
    const int status = game.start();
    if (status == 0) game.run();
    const int closing = game.shutDown(status == 0);
    return status != 0 ? status : closing;
}
