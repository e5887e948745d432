// Opening data files that a reader then parses by seeking and reading: only regular files,
// so a FIFO or device named by a hostile path can neither block the open nor stream forever.
#pragma once

#include <cstdio>

namespace platform {

// The regular file at `path` opened for binary reading ("rb"), or null when it cannot be
// opened or is not a regular file. Opening never blocks.
std::FILE* openDataFile(const char* path);

}  // namespace platform
