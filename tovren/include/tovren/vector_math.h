// The engine's vector toolkit: the coordinate record, a vector with arithmetic operators and
// the vector functions the models, camera, sky and intersection tests build on. Single
// precision throughout, except the angle between vectors.
#pragma once

#include <cstdint>

// A position or a set of rotation angles (degrees), passed by value.
struct TOVREN_fCoord3 {
    float x, y, z;
};

class cTOVREN_Vector3 {
public:
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    cTOVREN_Vector3() = default;
    cTOVREN_Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    cTOVREN_Vector3 operator+(const cTOVREN_Vector3& v) const { return {x + v.x, y + v.y, z + v.z}; }
    cTOVREN_Vector3 operator-(const cTOVREN_Vector3& v) const { return {x - v.x, y - v.y, z - v.z}; }
    cTOVREN_Vector3 operator*(float s) const { return {x * s, y * s, z * s}; }
};

class cTOVREN_VectorMath {
public:
    cTOVREN_Vector3 Cross(cTOVREN_Vector3 a, cTOVREN_Vector3 b);
    float Magnitude(cTOVREN_Vector3 v);
    float Dot(cTOVREN_Vector3 a, cTOVREN_Vector3 b);
    // Radians; 0 when the angle is undefined (a zero-length vector).
    double AngleBetweenVectors(cTOVREN_Vector3 a, cTOVREN_Vector3 b);
    // The view-space direction `v` in world space, by the inverse of the device's view
    // transform (rotation only). Without a device the view counts as the identity.
    cTOVREN_Vector3 GetPointAtView(cTOVREN_Vector3 v);
    // A zero vector stays zero.
    cTOVREN_Vector3 Normalize(cTOVREN_Vector3 v);
    // Unit normal of the polygon's first three vertices: (p2 - p0) x (p1 - p0), normalised.
    cTOVREN_Vector3 Normal(const cTOVREN_Vector3* polygon);
};
