// The viewer without a window: one frame of a picture written as a BMP file.
#pragma once

#include "options.h"

namespace kviewer {

// Loads the picture as the viewer does, draws one frame at the options' screen size and saves
// it. Messages go to standard error. Returns the process exit status: 0, or 1 on failure.
int runScreenshot(const ViewerOptions& options);

}  // namespace kviewer
