#include <tovren/vector_math.h>

#include "device_set.h"

#include <algorithm>
#include <cmath>

cTOVREN_Vector3 cTOVREN_VectorMath::Cross(cTOVREN_Vector3 a, cTOVREN_Vector3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float cTOVREN_VectorMath::Magnitude(cTOVREN_Vector3 v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

float cTOVREN_VectorMath::Dot(cTOVREN_Vector3 a, cTOVREN_Vector3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

double cTOVREN_VectorMath::AngleBetweenVectors(cTOVREN_Vector3 a, cTOVREN_Vector3 b) {
    const double lengths = double(Magnitude(a)) * double(Magnitude(b));
    // Rounding can push the cosine of (anti)parallel vectors just past +-1; a zero-length
    // vector gives NaN, which stays NaN through the clamp.
    const double cosine = std::clamp(double(Dot(a, b)) / lengths, -1.0, 1.0);
    const double angle = std::acos(cosine);
    return std::isnan(angle) ? 0.0 : angle;
}

cTOVREN_Vector3 cTOVREN_VectorMath::GetPointAtView(cTOVREN_Vector3 v) {
    IDirect3DDevice8* device = tovren::devices().device;
    if (!device) return v;
    D3DXMATRIX view;
    device->GetTransform(D3DTS_VIEW, &view);
    D3DXMATRIX inverse;
    if (!D3DXMatrixInverse(&inverse, nullptr, &view)) D3DXMatrixIdentity(&inverse);
    const D3DXVECTOR3 in(v.x, v.y, v.z);
    D3DXVECTOR3 out;
    D3DXVec3TransformNormal(&out, &in, &inverse);
    return {out.x, out.y, out.z};
}

cTOVREN_Vector3 cTOVREN_VectorMath::Normalize(cTOVREN_Vector3 v) {
    const float length = Magnitude(v);
    if (length == 0.0f) return {0.0f, 0.0f, 0.0f};
    return v * (1.0f / length);
}

cTOVREN_Vector3 cTOVREN_VectorMath::Normal(const cTOVREN_Vector3* polygon) {
    return Normalize(Cross(polygon[2] - polygon[0], polygon[1] - polygon[0]));
}
