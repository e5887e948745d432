// Argument and result helpers shared by the script functions. Every argument may be nil, a
// number, a string or anything else: numbers read as 0 when Lua cannot convert them and texts
// as empty, so no script can make a function read through a null pointer.
#pragma once

#include "state.h"

#include <lua.hpp>

#include <algorithm>
#include <cstdint>
#include <string>

namespace wizard::lua {

// The state rides along as the single upvalue of every registered function.
inline WizardState& state(lua_State* L) {
    return *static_cast<WizardState*>(lua_touserdata(L, lua_upvalueindex(1)));
}

inline int64_t integer(lua_State* L, int index) { return int64_t(lua_tointeger(L, index)); }

inline int64_t clamped(lua_State* L, int index, int64_t low, int64_t high) {
    return std::clamp(integer(L, index), low, high);
}

// Coordinates far off any picture are all alike; keeping them within 2^40 lets sums and
// differences of them stay exact in 64 bits.
inline int64_t coordinate(lua_State* L, int index) {
    constexpr int64_t kFar = int64_t(1) << 40;
    return clamped(L, index, -kFar, kFar);
}

// Colours are 0xAARRGGBB; only the low 32 bits of what the script gives count.
inline uint32_t colour(lua_State* L, int index) { return uint32_t(integer(L, index)); }

inline std::string text(lua_State* L, int index) {
    size_t length = 0;
    const char* s = lua_tolstring(L, index, &length);
    return s ? std::string(s, length) : std::string();
}

inline int result(lua_State* L, double value) {
    lua_pushnumber(L, value);
    return 1;
}

inline int result(lua_State* L, const std::string& value) {
    lua_pushstring(L, value.c_str());
    return 1;
}

}  // namespace wizard::lua
