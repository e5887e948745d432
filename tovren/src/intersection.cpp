#include <tovren/intersection.h>

#include "device_set.h"

namespace {

// 0.99 x 2 pi: the angle sum that counts as a full turn around the point.
constexpr double kFullTurn = 6.220353627204895;
constexpr float kSmallestDeterminant = 0.0001f;

cTOVREN_Vector3 toVector(const TOVREN_fCoord3& c) { return {c.x, c.y, c.z}; }
D3DXVECTOR3 toD3dx(const TOVREN_fCoord3& c) { return D3DXVECTOR3(c.x, c.y, c.z); }

}  // namespace

float cTOVREN_Intersection::PlaneDistance(cTOVREN_Vector3 normal, cTOVREN_Vector3 point) {
    return -Dot(normal, point);
}

bool cTOVREN_Intersection::IntersectedPlane(const cTOVREN_Vector3* polygon, const cTOVREN_Vector3* line,
                                            cTOVREN_Vector3& normal, float& distance) {
    normal = Normal(polygon);
    distance = PlaneDistance(normal, polygon[0]);
    const float start = Dot(normal, line[0]) + distance;
    const float end = Dot(normal, line[1]) + distance;
    return start * end < 0.0f;
}

cTOVREN_Vector3 cTOVREN_Intersection::IntersectionPoint(cTOVREN_Vector3 normal, const cTOVREN_Vector3* line,
                                                        double distance) {
    const cTOVREN_Vector3 direction = Normalize(line[1] - line[0]);
    const double numerator = -(double(Dot(normal, line[0])) + distance);
    const float denominator = Dot(normal, direction);
    if (denominator == 0.0f) return line[0];
    return line[0] + direction * static_cast<float>(numerator / denominator);
}

bool cTOVREN_Intersection::InsidePolygon(cTOVREN_Vector3 point, const cTOVREN_Vector3* polygon,
                                         int32_t vertexCount) {
    if (vertexCount <= 0) return false;
    double sum = 0.0;
    for (int32_t i = 0; i < vertexCount; ++i) {
        sum += AngleBetweenVectors(polygon[i] - point, polygon[(i + 1) % vertexCount] - point);
    }
    return sum >= kFullTurn;
}

bool cTOVREN_Intersection::IntersectedPolygon(const cTOVREN_Vector3* polygon, const cTOVREN_Vector3* line,
                                              int32_t vertexCount) {
    cTOVREN_Vector3 normal;
    float distance = 0.0f;
    if (!IntersectedPlane(polygon, line, normal, distance)) return false;
    return InsidePolygon(IntersectionPoint(normal, line, distance), polygon, vertexCount);
}

bool cTOVREN_Intersection::IntersectTriangle(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction,
                                             const D3DXVECTOR3& p, const D3DXVECTOR3& q, const D3DXVECTOR3& r, float* t, float* u,
                                             float* v) {
    const D3DXVECTOR3 edge1 = q - p, edge2 = r - p;
    D3DXVECTOR3 h, k;
    D3DXVec3Cross(&h, &direction, &edge2);
    const float det = D3DXVec3Dot(&edge1, &h);
    if (det < kSmallestDeterminant) return false;
    const D3DXVECTOR3 s = origin - p;
    *u = D3DXVec3Dot(&s, &h);
    if (*u < 0.0f || *u > det) return false;
    D3DXVec3Cross(&k, &s, &edge1);
    *v = D3DXVec3Dot(&direction, &k);
    if (*v < 0.0f || *u + *v > det) return false;
    const float inverse = 1.0f / det;
    *t = D3DXVec3Dot(&edge2, &k) * inverse;
    *u *= inverse;
    *v *= inverse;
    return true;
}

bool cTOVREN_Intersection::IntersectedModel(cTOVREN_Model model, const cTOVREN_Vector3* line) {
    if (!model.faces) return false;
    for (uint32_t f = 0; f < model.faceCount; ++f) {
        cTOVREN_Vector3 corners[3];
        for (int c = 0; c < 3; ++c) {
            corners[c] = toVector(model.GetVertexWorldPosition(model.faces[f].vertex[c], model.position, model.rotation));
        }
        if (IntersectedPolygon(corners, line, 3)) return true;
    }
    return false;
}

bool cTOVREN_Intersection::PickTriangle(cTOVREN_Model model, int32_t x, int32_t y, uint16_t width,
                                        uint16_t height) {
    IDirect3DDevice8* device = tovren::devices().device;
    if (!device || !model.faces || width == 0 || height == 0) return false;
    D3DXMATRIX projection, view, inverse;
    device->GetTransform(D3DTS_PROJECTION, &projection);
    device->GetTransform(D3DTS_VIEW, &view);
    if (!D3DXMatrixInverse(&inverse, nullptr, &view)) return false;
    const D3DXVECTOR3 viewRay((2.0f * float(x) / float(width) - 1.0f) / projection._11,
                              -(2.0f * float(y) / float(height) - 1.0f) / projection._22, 1.0f);
    D3DXVECTOR3 direction;
    D3DXVec3TransformNormal(&direction, &viewRay, &inverse);
    const D3DXVECTOR3 origin = D3DXVECTOR3(inverse._41, inverse._42, inverse._43) - toD3dx(model.position);

    for (uint32_t f = 0; f < model.faceCount; ++f) {
        D3DXVECTOR3 corners[3];
        for (int c = 0; c < 3; ++c) {
            corners[c] = toD3dx(model.GetVertexWorldPosition(model.faces[f].vertex[c], model.position, model.rotation));
        }
        float t, u, v;
        if (IntersectTriangle(origin, direction, corners[0], corners[1], corners[2], &t, &u, &v)) return true;
    }
    return false;
}
