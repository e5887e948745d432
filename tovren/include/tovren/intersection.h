// Intersection tests for games: lines against planes, polygons and models, rays against
// triangles, and picking a model's triangle under a screen point.
#pragma once

#include <tovren/model.h>
#include <tovren/vector_math.h>

#include <platform/d3dx8.h>

#include <cstdint>

// Lines are two vectors (start, end); polygons their vertices in order.
class cTOVREN_Intersection : public cTOVREN_VectorMath {
public:
    // -(n . p): the distance term of the plane through p with normal n.
    float PlaneDistance(cTOVREN_Vector3 normal, cTOVREN_Vector3 point);
    // Whether the line's ends lie strictly on opposite sides of the polygon's plane; the
    // plane's normal and distance term are written either way.
    bool IntersectedPlane(const cTOVREN_Vector3* polygon, const cTOVREN_Vector3* line, cTOVREN_Vector3& normal,
                          float& distance);
    // Where the line meets the plane; the line's start when it runs parallel to it.
    cTOVREN_Vector3 IntersectionPoint(cTOVREN_Vector3 normal, const cTOVREN_Vector3* line, double distance);
    // The angles the point sees between consecutive vertices add up to (almost) a full turn.
    bool InsidePolygon(cTOVREN_Vector3 point, const cTOVREN_Vector3* polygon, int32_t vertexCount);
    bool IntersectedPolygon(const cTOVREN_Vector3* polygon, const cTOVREN_Vector3* line, int32_t vertexCount);
    // Front faces only (corners P, Q, R clockwise as seen along the ray); hits behind the
    // origin count. On a hit t is the distance in ray lengths, u and v the barycentric
    // weights of Q and R.
    bool IntersectTriangle(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, const D3DXVECTOR3& p,
                           const D3DXVECTOR3& q, const D3DXVECTOR3& r, float* t, float* u, float* v);
    // The first face (in face order) that the line passes through. The model's triangles are
    // turned by its rotation but not moved, so the line is given relative to its position.
    bool IntersectedModel(cTOVREN_Model model, const cTOVREN_Vector3* line);
    // Whether the ray through the screen point, from the camera of the device's view and
    // projection transforms, hits a front face of the model at its position and rotation.
    bool PickTriangle(cTOVREN_Model model, int32_t x, int32_t y, uint16_t width, uint16_t height);
};
