#include "scriptapi.h"

#include "functions.h"

#include <lua.hpp>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <new>

namespace wizard {
namespace {

// In the order of kScriptFunctionNames.
constexpr lua_CFunction kScriptFunctions[] = {
    fn::message, fn::messageInfo, fn::messageInfo, fn::messageWarning, fn::messageWarning,
    fn::messageError, fn::messageError, fn::getImageFileName, fn::getSaveFileName,
    fn::imageFromFile, fn::saveImage, fn::mix, fn::mixArea, fn::setColorKey, fn::maskFromImage,
    fn::rgb, fn::antialias, fn::brightness, fn::colorBalance, fn::colorFade, fn::getAlpha,
    fn::getBlue, fn::getGreen, fn::getRed, fn::grayscale, fn::invert, fn::repack,
    fn::imageHeight, fn::imageWidth, fn::flipVertical, fn::flipHorizontal, fn::resize,
    fn::videoHind, fn::createImage, fn::getImage, fn::putImage, fn::getPixel, fn::putPixel,
};
static_assert(std::size(kScriptFunctions) == std::size(kScriptFunctionNames));
static_assert(std::size(kScriptFunctions) == 38);

constexpr int kInstructionsPerCheck = 4096;
constexpr auto kWhileRunningEvery = std::chrono::milliseconds(20);

using Clock = std::chrono::steady_clock;

// The control of the script running on this thread, for the instruction-count hook.
thread_local ScriptControl* t_control = nullptr;
thread_local Clock::time_point t_lastWhileRunning;
thread_local RunStatus t_endedAs = RunStatus::Ok;  // Stopped or TimedOut once the leash pulled
thread_local bool t_refuseAllocation = false;

bool shouldEnd(const ScriptControl& control, Clock::time_point now) {
    return control.stop.load(std::memory_order_relaxed) || (control.deadline && now >= *control.deadline);
}

void checkpoint(lua_State* L, lua_Debug*) {
    ScriptControl* control = t_control;
    if (!control) return;
    Clock::time_point now = Clock::now();
    if (control->whileRunning && now - t_lastWhileRunning >= kWhileRunningEvery) {
        control->whileRunning();
        now = t_lastWhileRunning = Clock::now();
    }
    if (!shouldEnd(*control, now)) return;
    t_endedAs = control->stop ? RunStatus::Stopped : RunStatus::TimedOut;
    // From here every instruction raises the error again, so a pcall that catches it gets
    // no further than its next instruction. The error is a memory error: unlike any other it
    // reaches a pcall or xpcall without running the script's error handler, which would run
    // with hooks off and could hold the script for ever.
    lua_sethook(L, checkpoint, LUA_MASKCOUNT, 1);
    t_refuseAllocation = true;
    lua_newtable(L);  // does not return
}

// The allocator of luaL_newstate, which can refuse the one allocation the checkpoint asks
// for when it ends a script.
void* allocate(void*, void* block, size_t, size_t size) {
    if (size == 0) {
        std::free(block);
        return nullptr;
    }
    if (t_refuseAllocation) {
        t_refuseAllocation = false;
        return nullptr;
    }
    return std::realloc(block, size);
}

// As luaL_newstate's: the message of an error outside any protected call, before Lua exits.
int panic(lua_State* L) {
    std::fprintf(stderr, "PANIC: unprotected error in call to Lua API (%s)\n", lua_tostring(L, -1));
    return 0;
}

lua_State* newState() {
    lua_State* L = lua_newstate(allocate, nullptr);
    if (L) lua_atpanic(L, panic);
    return L;
}

// Installs the control for one run on this thread and takes it away again.
class Leash {
public:
    Leash(lua_State* L, ScriptControl* control) : previous_(t_control) {
        t_control = control;
        t_lastWhileRunning = Clock::now();
        t_endedAs = RunStatus::Ok;
        if (control) lua_sethook(L, checkpoint, LUA_MASKCOUNT, kInstructionsPerCheck);
    }
    ~Leash() { t_control = previous_; }
    Leash(const Leash&) = delete;
    Leash& operator=(const Leash&) = delete;

private:
    ScriptControl* previous_;
};

}  // namespace

namespace {

// Calls the script function whose index is the closure's second upvalue. Running out of
// memory in it becomes the script's Lua error "not enough memory": a C++ exception must not
// unwind through Lua's C frames.
int guarded(lua_State* L) {
    const auto index = size_t(lua_tointeger(L, lua_upvalueindex(2)));
    try {
        return kScriptFunctions[index](L);
    } catch (const std::bad_alloc&) {
    }
    return luaL_error(L, "not enough memory");  // outside the handler: the error leaves by longjmp
}

}  // namespace

void registerScriptApi(lua_State* L, WizardState& state) {
    for (size_t i = 0; i < std::size(kScriptFunctions); ++i) {
        lua_pushlightuserdata(L, &state);  // upvalue 1, which every function reads
        lua_pushinteger(L, lua_Integer(i));
        lua_pushcclosure(L, guarded, 2);
        lua_setfield(L, LUA_GLOBALSINDEX, kScriptFunctionNames[i]);
    }
}

RunResult runScript(WizardState& state, const std::string& path, ScriptControl* control) {
    lua_State* L = newState();
    if (!L) return {RunStatus::NoContext, {}};
    luaL_openlibs(L);
    registerScriptApi(L, state);
    RunResult result;
    // Closing runs the script's finalizers, which are held by the same leash.
    const Leash leash(L, control);
    if (luaL_loadfile(L, path.c_str()) != 0 || lua_pcall(L, 0, LUA_MULTRET, 0) != 0) {
        const char* message = lua_tostring(L, -1);
        result = {RunStatus::ScriptError, message ? message : "(error object is not a string)"};
    }
    lua_close(L);
    if (t_endedAs != RunStatus::Ok) result = {t_endedAs, "script stopped"};
    return result;
}

}  // namespace wizard
