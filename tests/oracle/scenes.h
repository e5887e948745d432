// The scenes both renderers draw, each aimed at one part of the pipeline.
#pragma once

#include <scene3d/scene.h>

namespace kvtest::scene3d {

// A white sphere lit by a directional light and an attenuated point light with specular
// highlights, beside a smaller sphere whose diffuse colour comes from its vertices.
Scene litSphere();
// A sphere under eight lights at once (four directional, four attenuated points) beside a
// sphere drawn as the points of its front faces.
Scene eightLightsAndPointFill();
// A checkered floor seen at a low angle, point-sampled or bilinear.
Scene texturedFloor(D3DTEXTUREFILTERTYPE filter);
// Two lit cubes cutting into each other, one per-face coloured through its vertices.
Scene interpenetratingCubes();
// The camera inside a textured box near a corner: the walls cross the near plane and have
// corners behind the camera.
Scene boxAroundCamera();
// Translucent quads over a gradient: alpha blending, adding, multiplying, a texture's alpha
// and an alpha test.
Scene blendedQuads();
// A coloured sphere drawn as lines, back faces culled.
Scene wireframeSphere();
// Every way of assembling primitives: a lit terrain as one indexed strip joined by degenerate
// triangles, a fan and a flat-shaded indexed list from the caller's memory, a line strip, a
// line list and points.
Scene primitiveAssembly();
// Quads through the texture stage operations (select, modulate 2x, add, add signed, subtract,
// the texture factor) and two-stage combinations with a light map on stage 1.
Scene textureStages();

}  // namespace kvtest::scene3d
