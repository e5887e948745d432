// One-pixel lines and points, for the line and point primitives and the wireframe and point
// fill modes.
#pragma once

#include "pixel.h"

namespace platform::d3d8::raster {

// Steps along the longer axis one pixel at a time, lighting the pixel whose centre is
// nearest the line; the last pixel only when `lastPixel`.
void drawLine(const PixelProgram& program, const SetupState& state, const ClipVertex& a, const ClipVertex& b,
              bool lastPixel);

// The pixel whose centre is nearest the point.
void drawPoint(const PixelProgram& program, const SetupState& state, const ClipVertex& a);

}  // namespace platform::d3d8::raster
