// The library's last-error value, shared by the socket calls and the status texts.
#pragma once

#include <cstdint>

namespace limno {

// Stores a status of a socket operation as the last-error value and returns it.
uint32_t recordStatus(uint32_t status);

}  // namespace limno
