// Running a picture script: a fresh Lua 5.1 state per run with the 38 image functions
// registered as globals over the shared WizardState.
#pragma once

#include "state.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

struct lua_State;

namespace wizard {

// The registered global names, in registration order.
constexpr const char* kScriptFunctionNames[] = {
    "pwMessage", "pwMessageInfo", "pwInfo", "pwMessageWarning", "pwWarning", "pwMessageError",
    "pwError", "pwGetImageFileName", "pwGetSaveFileName", "pwImageFromFile", "pwSaveImage",
    "pwMix", "pwMixArea", "pwSetColorKey", "pwMaskFromImage", "RGB", "pwAntialias",
    "pwBrightness", "pwColorBalance", "pwColorFade", "pwGetAlpha", "pwGetBlue", "pwGetGreen",
    "pwGetRed", "pwGrayscale", "pwInvert", "pwRepack", "pwGetImage_HEIGHT", "pwGetImage_WIDTH",
    "pwFlipVertical", "pwFlipHorizontal", "pwResize", "pwVideoHind", "pwCreateImage",
    "pwGetImage", "pwPutImage", "pwGetPixel", "pwPutPixel",
};

// Registers every function as a global of L, each bound to `state`.
void registerScriptApi(lua_State* L, WizardState& state);

enum class RunStatus {
    Ok,            // the script ran to its end
    NoContext,     // no Lua state could be created
    ScriptError,   // the file could not be loaded or the script raised an error
    Stopped,       // ended on request (ScriptControl::stop)
    TimedOut,      // ended at its deadline
};

// A running script's leash. Every few thousand Lua instructions the script checks it: it
// ends when `stop` is set (from any thread, or from `whileRunning`) or its deadline has
// passed, and `whileRunning` is called at most every 20 ms of script time, so that a window
// can keep answering its user. Once ending, the script ends: a pcall in the script cannot
// catch it for good. What runs with hooks off is not interrupted: a library call of the
// script, a finalizer (__gc), or code after the script took the hook away (debug.sethook).
struct ScriptControl {
    std::atomic<bool> stop{false};
    std::optional<std::chrono::steady_clock::time_point> deadline;
    std::function<void()> whileRunning;
};

struct RunResult {
    RunStatus status = RunStatus::Ok;
    std::string errorText;  // Lua's message for ScriptError
};

// Runs the script file in a new Lua state that is closed afterwards; the slots and the last
// saved name stay in `state` for later runs.
RunResult runScript(WizardState& state, const std::string& path, ScriptControl* control = nullptr);

}  // namespace wizard
