// Running a picture script: a fresh Lua 5.1 state per run with the 38 image functions
// registered as globals over the shared WizardState.
#pragma once

#include "state.h"

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
};

struct RunResult {
    RunStatus status = RunStatus::Ok;
    std::string errorText;  // Lua's message for ScriptError
};

// Runs the script file in a new Lua state that is closed afterwards; the slots and the last
// saved name stay in `state` for later runs.
RunResult runScript(WizardState& state, const std::string& path);

}  // namespace wizard
