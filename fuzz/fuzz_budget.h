// Picture fuzz targets run under a small decoding budget rather than skipping large headers:
// a picture over it is refused before anything is allocated for it, one within it decodes in
// milliseconds, so the search reaches every size check at full speed. Set before main and
// read by the libraries at their first decode; a KV_MAX_PIXELS already set is kept.
// Run the targets with -rss_limit_mb=1024.
#pragma once

#include <cstdlib>

namespace kvfuzz {

inline constexpr const char* kBudgetPixels = "65536";  // 256 x 256

inline const bool budgetSet = setenv("KV_MAX_PIXELS", kBudgetPixels, 0) == 0;

}  // namespace kvfuzz
