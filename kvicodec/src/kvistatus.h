// The status texts both KVI libraries hand out.
#pragma once

#include <cstdint>

namespace kvi {

// Copies the text of `code` into `text` (KVI_ERR_TEXT_SIZE characters); nothing for null.
void copyStatusText(uint32_t code, char* text);

}  // namespace kvi
