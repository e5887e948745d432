#include "functions.h"
#include "luaargs.h"

#include <kvi_io.h>

#include <platform/ui.h>

#include <utility>
#include <vector>

namespace wizard::fn {
namespace {

int showBox(lua_State* L, const char* caption, UINT type) {
    MessageBoxA(lua::state(L).owner, lua::text(L, 1).c_str(), caption, type);
    return 0;
}

using Filters = std::vector<std::pair<std::string, std::string>>;

int askFileName(lua_State* L, platform::FileDialogRequest request) {
    WizardState& state = lua::state(L);
    request.owner = state.owner;
    request.initialPath = state.dialogName;
    std::string chosen;
    if (!platform::showFileDialog(request, chosen)) return lua::result(L, 0);
    state.dialogName = chosen.substr(0, kMaxNameLength);
    return lua::result(L, state.dialogName);
}

}  // namespace

int message(lua_State* L) { return showBox(L, "Script message", MB_OK); }
int messageInfo(lua_State* L) { return showBox(L, "Information!", MB_OK | MB_ICONINFORMATION); }
int messageWarning(lua_State* L) { return showBox(L, "Warning!", MB_OK | MB_ICONWARNING); }
int messageError(lua_State* L) { return showBox(L, "Error!", MB_OK | MB_ICONERROR); }

int getImageFileName(lua_State* L) {
    platform::FileDialogRequest request;
    request.filters = kvi_io::pictureFilters();
    return askFileName(L, std::move(request));
}

int getSaveFileName(lua_State* L) {
    // The save dialog starts with an empty name; the script being run keeps its own.
    lua::state(L).dialogName.clear();
    platform::FileDialogRequest request;
    request.save = true;
    request.filters = Filters{
        {"Windows Bitmap (BMP)", "*.bmp"},
        {"kvImage (KVI)", "*.kvi"},
        {"ZSoft PaintBrush (PCX)", "*.pcx"},
        {"Targa (TGA)", "*.tga"},
    };
    request.defaultExtension = "kvi";
    return askFileName(L, std::move(request));
}

int rgb(lua_State* L) {
    const int64_t r = lua::integer(L, 1) & 0xFF;
    const int64_t g = lua::integer(L, 2) & 0xFF;
    const int64_t b = lua::integer(L, 3) & 0xFF;
    return lua::result(L, double(r * 65536 + g * 256 + b));
}

int getAlpha(lua_State* L) { return lua::result(L, lua::colour(L, 1) / 0x1000000u); }
int getBlue(lua_State* L) { return lua::result(L, lua::colour(L, 1) & 0xFFu); }
int getGreen(lua_State* L) { return lua::result(L, (lua::colour(L, 1) >> 8) & 0xFFu); }
int getRed(lua_State* L) { return lua::result(L, (lua::colour(L, 1) >> 16) & 0xFFu); }

}  // namespace wizard::fn
