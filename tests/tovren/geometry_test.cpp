// Vector maths and intersection tests against hand-computed values; the camera and the
// lights through the state the shared device keeps.
#include <tovren/camera.h>
#include <tovren/intersection.h>
#include <tovren/light.h>

#include "render_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using tovtest::RenderTest;
using V = cTOVREN_Vector3;

void expectVector(const V& actual, float x, float y, float z, float tolerance = 1e-6f) {
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.z, z, tolerance);
}

TEST(VectorMath, OperatorsAndProducts) {
    cTOVREN_VectorMath math;
    const V a(1, 2, 3), b(-4, 5, 0.5f);
    expectVector(a + b, -3, 7, 3.5f);
    expectVector(a - b, 5, -3, 2.5f);
    expectVector(a * 2.0f, 2, 4, 6);
    expectVector(math.Cross(a, b), 2 * 0.5f - 3 * 5, 3 * -4 - 1 * 0.5f, 1 * 5 - 2 * -4);
    EXPECT_FLOAT_EQ(math.Dot(a, b), -4 + 10 + 1.5f);
    EXPECT_FLOAT_EQ(math.Magnitude(V(3, 4, 12)), 13.0f);
    expectVector(math.Normalize(V(0, 3, 4)), 0, 0.6f, 0.8f);
    // A zero vector has no direction: it stays zero instead of becoming NaN.
    expectVector(math.Normalize(V(0, 0, 0)), 0, 0, 0);
    const V triangle[3] = {V(0, 0, 0), V(1, 0, 0), V(0, 1, 0)};
    expectVector(math.Normal(triangle), 0, 0, -1);
    EXPECT_DOUBLE_EQ(math.AngleBetweenVectors(V(1, 0, 0), V(0, 1, 0)), std::numbers::pi / 2);
    EXPECT_NEAR(math.AngleBetweenVectors(V(1, 0, 0), V(-2, 0, 0)), std::numbers::pi, 1e-6);
    EXPECT_EQ(math.AngleBetweenVectors(V(0, 0, 0), V(0, 1, 0)), 0.0);
    // Opposite vectors whose cosine rounds to just below -1 are still pi apart, so a point
    // on a triangle's edge is inside it.
    EXPECT_NEAR(math.AngleBetweenVectors(V(-1.5f, -1.5f, 0), V(0.5f, 0.5f, 0)), std::numbers::pi, 1e-6);
    EXPECT_NEAR(math.AngleBetweenVectors(V(-2.5f, -2.5f, 0), V(-1.5f, -1.5f, 0)), 0.0, 1e-3);
}

class IntersectionTest : public ::testing::Test {
protected:
    cTOVREN_Intersection test;
    const V triangle[3] = {V(0, 0, 0), V(1, 0, 0), V(0, 1, 0)};
    const V square[4] = {V(-1, -1, 0), V(1, -1, 0), V(1, 1, 0), V(-1, 1, 0)};
};

TEST_F(IntersectionTest, PlanesAndCrossingPoints) {
    EXPECT_FLOAT_EQ(test.PlaneDistance(V(0, 0, 1), V(5, 6, 2)), -2.0f);
    V normal;
    float distance = 99;
    const V through[2] = {V(0.25f, 0.25f, -1), V(0.25f, 0.25f, 1)};
    EXPECT_TRUE(test.IntersectedPlane(triangle, through, normal, distance));
    expectVector(normal, 0, 0, -1);
    EXPECT_EQ(distance, 0.0f);
    expectVector(test.IntersectionPoint(normal, through, distance), 0.25f, 0.25f, 0);
    // A line in the plane, one touching it with an end, one staying on one side.
    for (const auto& line : {std::array{V(0, 0, 0), V(1, 1, 0)}, std::array{V(2, 2, 0), V(2, 2, 1)},
                             std::array{V(0, 0, 1), V(0, 0, 2)}}) {
        EXPECT_FALSE(test.IntersectedPlane(triangle, line.data(), normal, distance));
    }
    // Parallel to the plane: the line's start comes back.
    const V parallel[2] = {V(3, 4, 5), V(4, 4, 5)};
    expectVector(test.IntersectionPoint(V(0, 0, 1), parallel, 0.0), 3, 4, 5);
    // Plane z = 2 (n = (0, 0, 1), distance term -2) met by a slanted line.
    const V slanted[2] = {V(0, 0, 0), V(1, 2, 4)};
    expectVector(test.IntersectionPoint(V(0, 0, 1), slanted, -2.0), 0.5f, 1.0f, 2.0f, 1e-5f);
}

TEST_F(IntersectionTest, PointsInsideAndOutsidePolygons) {
    EXPECT_TRUE(test.InsidePolygon(V(0, 0, 0), square, 4));  // the angles add up to 2 pi
    EXPECT_TRUE(test.InsidePolygon(V(0.9f, -0.5f, 0), square, 4));
    EXPECT_FALSE(test.InsidePolygon(V(1.5f, 0, 0), square, 4));
    EXPECT_FALSE(test.InsidePolygon(V(0, 0, 0), triangle, 3));  // on a vertex: two zero angles
    const V half[3] = {V(-1, -1, 0), V(-1, 1, 0), V(1, 1, 0)};
    EXPECT_TRUE(test.InsidePolygon(V(0.5f, 0.5f, 0), half, 3));  // on the long edge
    EXPECT_FALSE(test.InsidePolygon(V(0, 0, 0), square, 0));
    EXPECT_FALSE(test.InsidePolygon(V(0, 0, 0), square, -3));
    // The sum must reach 0.99 x 2 pi: a point just above the plane still counts.
    EXPECT_TRUE(test.InsidePolygon(V(0, 0, 0.05f), square, 4));
    EXPECT_FALSE(test.InsidePolygon(V(0, 0, 0.5f), square, 4));
}

TEST_F(IntersectionTest, LineSegmentsThroughPolygons) {
    const V through[2] = {V(0.25f, 0.25f, -1), V(0.25f, 0.25f, 1)};
    EXPECT_TRUE(test.IntersectedPolygon(triangle, through, 3));
    const V atVertex[2] = {V(0, 0, -1), V(0, 0, 1)};
    EXPECT_FALSE(test.IntersectedPolygon(triangle, atVertex, 3));
    const V beside[2] = {V(0.8f, 0.8f, -1), V(0.8f, 0.8f, 1)};
    EXPECT_FALSE(test.IntersectedPolygon(triangle, beside, 3));
    const V tooShort[2] = {V(0.25f, 0.25f, -1), V(0.25f, 0.25f, -0.1f)};
    EXPECT_FALSE(test.IntersectedPolygon(triangle, tooShort, 3));
}

TEST_F(IntersectionTest, RaysAgainstFrontFacesOnly) {
    // Clockwise as seen from the origin looking along +z.
    const D3DXVECTOR3 p(0, 0, 5), q(0, 2, 5), r(2, 0, 5);
    const D3DXVECTOR3 origin(0.5f, 0.5f, 0), ahead(0, 0, 1);
    float t = -1, u = -1, v = -1;
    ASSERT_TRUE(test.IntersectTriangle(origin, ahead, p, q, r, &t, &u, &v));
    EXPECT_FLOAT_EQ(t, 5.0f);
    EXPECT_FLOAT_EQ(u, 0.25f);  // weight of q
    EXPECT_FLOAT_EQ(v, 0.25f);  // weight of r
    EXPECT_FALSE(test.IntersectTriangle(origin, ahead, p, r, q, &t, &u, &v));  // the back
    // Behind the origin still counts.
    ASSERT_TRUE(test.IntersectTriangle(D3DXVECTOR3(0.5f, 0.5f, 10), ahead, p, q, r, &t, &u, &v));
    EXPECT_FLOAT_EQ(t, -5.0f);
    // Exactly on the edges: u = 0, and u + v = det.
    EXPECT_TRUE(test.IntersectTriangle(D3DXVECTOR3(0, 0.5f, 0), ahead, p, q, r, &t, &u, &v));
    EXPECT_TRUE(test.IntersectTriangle(D3DXVECTOR3(1, 1, 0), ahead, p, q, r, &t, &u, &v));
    EXPECT_FLOAT_EQ(u + v, 1.0f);
    EXPECT_FALSE(test.IntersectTriangle(D3DXVECTOR3(1.01f, 1.01f, 0), ahead, p, q, r, &t, &u, &v));
    // det = |e1 x e2| . dir: a triangle of area just under 0.00005 is too thin.
    const D3DXVECTOR3 q2(0, 0.0099f, 5), r2(0.01f, 0, 5), q3(0, 0.0101f, 5);
    EXPECT_FALSE(test.IntersectTriangle(D3DXVECTOR3(0.001f, 0.001f, 0), ahead, p, q2, r2, &t, &u, &v));
    EXPECT_TRUE(test.IntersectTriangle(D3DXVECTOR3(0.001f, 0.001f, 0), ahead, p, q3, r2, &t, &u, &v));
}

// ---- Camera and lights, through the device's state ----

class CameraLightTest : public RenderTest {
protected:
    D3DXMATRIX view() const {
        D3DXMATRIX m;
        devices.device->GetTransform(D3DTS_VIEW, &m);
        return m;
    }
    // Where the camera looks: the third column of the view's rotation.
    static V lookOf(const D3DXMATRIX& m) { return V(m._13, m._23, m._33); }
};

TEST_F(CameraLightTest, CameraViewFromPositionAndAngles) {
    cTOVREN_Camera camera;
    camera.Apply();
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(view().m[i / 4][i % 4], identity.m[i / 4][i % 4], 1e-6f) << i;

    camera.viewAngles = {0, 90, 0};
    camera.Apply();
    expectVector(lookOf(view()), 1, 0, 0);
    camera.viewAngles = {-90, 0, 0};
    camera.Apply();
    expectVector(lookOf(view()), 0, 1, 0);

    // z is not used; the eye gives the translation row.
    camera.viewAngles = {-30, 40, 0};
    camera.position = {3, -2, 7};
    camera.Apply();
    const D3DXMATRIX withoutZ = view();
    camera.viewAngles.z = 75;
    camera.Apply();
    EXPECT_EQ(view(), withoutZ);
    D3DXVECTOR3 eyeInView;
    const D3DXVECTOR3 eye(3, -2, 7);
    D3DXVec3TransformCoord(&eyeInView, &eye, &withoutZ);
    EXPECT_NEAR(D3DXVec3Length(&eyeInView), 0.0f, 1e-5f);

    // Pitch before yaw, about fixed axes: (-30, 40) looks up 30 degrees, turned 40 to the right.
    const double pitch = 30 * std::numbers::pi / 180, yaw = 40 * std::numbers::pi / 180;
    expectVector(lookOf(withoutZ), float(std::cos(pitch) * std::sin(yaw)), float(std::sin(pitch)),
                 float(std::cos(pitch) * std::cos(yaw)), 1e-5f);

    // The view-space forward direction back in world space.
    cTOVREN_VectorMath math;
    camera.viewAngles = {0, 90, 0};
    camera.Apply();
    expectVector(math.GetPointAtView(V(0, 0, 1)), 1, 0, 0, 1e-6f);
}

TEST_F(CameraLightTest, LightsAreBuiltFromTheRecordAndReachTheDeviceWhenApplied) {
    TOVREN_LIGHT record{};
    record.kind = TOVREN_LIGHT_DIRECTIONAL;
    record.position = {1, 2, 3};
    record.direction = {0, -1, 0};
    record.ambient = {0.1f, 0.2f, 0.3f};
    record.diffuse = {1, 0.5f, 0.25f};
    record.specular = {0.4f, 0.4f, 0.4f};
    record.range = 100;
    record.outerCone = 0.8f;
    record.innerCone = 0.4f;
    cTOVREN_Light light;
    ASSERT_EQ(light.Create(2, record), 0u);
    EXPECT_EQ(light.index, 2);
    EXPECT_EQ(light.light.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(light.light.Attenuation0, 1.0f);
    EXPECT_EQ(light.light.Attenuation1, 0.0f);
    EXPECT_EQ(light.light.Falloff, 0.0f);
    EXPECT_EQ(light.light.Diffuse.g, 0.5f);
    EXPECT_EQ(light.light.Diffuse.a, 0.0f);
    EXPECT_EQ(light.light.Ambient.a, 0.0f);
    EXPECT_EQ(light.light.Specular.a, 0.0f);
    EXPECT_EQ(light.light.Phi, 0.8f);
    EXPECT_EQ(light.light.Theta, 0.4f);
    EXPECT_EQ(light.light.Position.z, 3.0f);

    // Create alone does not reach the device; PrepareAndRestore sets and enables.
    D3DLIGHT8 set{};
    BOOL enabled = TRUE;
    EXPECT_EQ(light.PrepareAndRestore(), 0u);
    ASSERT_EQ(devices.device->GetLight(2, &set), D3D_OK);
    EXPECT_EQ(set.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(set.Direction.y, -1.0f);
    devices.device->GetLightEnable(2, &enabled);
    EXPECT_TRUE(enabled);

    // Switch keeps the light's data; Apply changes the data but not the switch.
    EXPECT_FALSE(light.Switch(false));
    devices.device->GetLightEnable(2, &enabled);
    EXPECT_FALSE(enabled);
    EXPECT_EQ(light.light.Type, D3DLIGHT_DIRECTIONAL);
    light.light.Diffuse.r = 0.25f;
    EXPECT_EQ(light.Apply(), 0u);
    devices.device->GetLight(2, &set);
    EXPECT_EQ(set.Diffuse.r, 0.25f);
    devices.device->GetLightEnable(2, &enabled);
    EXPECT_FALSE(enabled);
    EXPECT_TRUE(light.Switch(true));
    devices.device->GetLightEnable(2, &enabled);
    EXPECT_TRUE(enabled);

    // Kinds the device has no light type for are refused; the light stays cleared.
    for (uint32_t kind : {0u, 4u, 0xFFFFFFFFu}) {
        record.kind = kind;
        EXPECT_EQ(light.Create(5, record), 0xFFFFFFFFu) << kind;
        EXPECT_EQ(light.light.Type, D3DLIGHTTYPE{});
        EXPECT_EQ(light.light.Diffuse.r, 0.0f);
        EXPECT_EQ(light.index, 5);
    }
}

TEST_F(CameraLightTest, AmbientColourAndGlobalLighting) {
    cTOVREN_Light light;
    DWORD value = 0;
    EXPECT_EQ(light.SetAmbientLight({1.0f, 0.5f, 0.0f}), 0u);
    devices.device->GetRenderState(D3DRS_AMBIENT, &value);
    EXPECT_EQ(value, 0x00FF7F00u);
    // Out-of-range components are held to 0..1 instead of spilling into their neighbours.
    light.SetAmbientLight({2.0f, -1.0f, std::nanf("")});
    devices.device->GetRenderState(D3DRS_AMBIENT, &value);
    EXPECT_EQ(value, 0x00FF0000u);
    light.UseLighting(true);
    devices.device->GetRenderState(D3DRS_LIGHTING, &value);
    EXPECT_EQ(value, DWORD{TRUE});
    light.UseLighting(false);
    devices.device->GetRenderState(D3DRS_LIGHTING, &value);
    EXPECT_EQ(value, DWORD{FALSE});
}

}  // namespace
