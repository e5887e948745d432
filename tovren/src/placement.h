// Matrices shared by the placed objects: models, camera and sky. Row vectors, left-handed.
#pragma once

#include <tovren/vector_math.h>

#include <platform/d3dx8.h>

namespace tovren {

constexpr float kDegreesToRadians = 0.017453292f;

// Rx(x) * Ry(y) * Rz(z) of angles in degrees: turned about X first, then Y, then Z.
D3DXMATRIX rotationMatrix(TOVREN_fCoord3 degrees);

// A look-at view built by turning the look (0, 0, 1) and up (0, 1, 0) vectors about the world
// X, then Y axis (and Z when `useZ`), by angles in degrees, with the eye at `eye`.
D3DXMATRIX viewMatrix(TOVREN_fCoord3 degrees, bool useZ, TOVREN_fCoord3 eye);

}  // namespace tovren
