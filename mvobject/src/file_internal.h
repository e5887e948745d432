// What the format layer needs to know about the open file beyond cMVO_File's interface.
#pragma once

#include <cstdint>

namespace mvo_detail {

// Bytes between the read position and the end of the open file; 0 when unknown.
uint64_t bytesLeft();

}  // namespace mvo_detail
