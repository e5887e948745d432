#include "scriptapi.h"

#include "functions.h"

#include <lua.hpp>

#include <iterator>

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

}  // namespace

void registerScriptApi(lua_State* L, WizardState& state) {
    for (size_t i = 0; i < std::size(kScriptFunctions); ++i) {
        lua_pushlightuserdata(L, &state);
        lua_pushcclosure(L, kScriptFunctions[i], 1);
        lua_setfield(L, LUA_GLOBALSINDEX, kScriptFunctionNames[i]);
    }
}

RunResult runScript(WizardState& state, const std::string& path) {
    lua_State* L = luaL_newstate();
    if (!L) return {RunStatus::NoContext, {}};
    luaL_openlibs(L);
    registerScriptApi(L, state);
    RunResult result;
    if (luaL_loadfile(L, path.c_str()) != 0 || lua_pcall(L, 0, LUA_MULTRET, 0) != 0) {
        const char* message = lua_tostring(L, -1);
        result = {RunStatus::ScriptError, message ? message : "(error object is not a string)"};
    }
    lua_close(L);
    return result;
}

}  // namespace wizard
