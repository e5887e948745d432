// The engine's own words for a status code, for messages that say why something failed.
#pragma once

#include <tovren/debug.h>

#include <cstdint>
#include <string>

namespace glider {

inline std::string statusText(uint32_t status) {
    char text[64];
    TOVREN_ERROR_GetStringByCode(status, text);
    return text;
}

}  // namespace glider
