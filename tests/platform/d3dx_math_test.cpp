#include <platform/d3dx8.h>

#include <gtest/gtest.h>

#include <cmath>

namespace {

void expectNear(const D3DXVECTOR3& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, 1e-5f);
    EXPECT_NEAR(v.y, y, 1e-5f);
    EXPECT_NEAR(v.z, z, 1e-5f);
}

TEST(D3dxMath, RotationsTurnLeftHandedWithRowVectors) {
    D3DXMATRIX m;
    D3DXVECTOR3 v(0, 1, 0), out;
    D3DXVec3TransformCoord(&out, &v, D3DXMatrixRotationX(&m, 1.5707964f));
    expectNear(out, 0, 0, 1);
    v = D3DXVECTOR3(1, 0, 0);
    D3DXVec3TransformCoord(&out, &v, D3DXMatrixRotationZ(&m, 1.5707964f));
    expectNear(out, 0, 1, 0);
    D3DXVec3TransformCoord(&out, &v, D3DXMatrixRotationY(&m, 1.5707964f));
    expectNear(out, 0, 0, -1);
    const D3DXVECTOR3 axis(0, 0, 2);
    D3DXMATRIX z;
    D3DXMatrixRotationAxis(&m, &axis, 0.7f);
    D3DXMatrixRotationZ(&z, 0.7f);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(m(r, c), z(r, c), 1e-6f);
}

TEST(D3dxMath, MultiplyInverseAndTransformsAgree) {
    D3DXMATRIX r, t, world, inverse, product;
    D3DXMatrixRotationYawPitchRoll(&r, 0.3f, -0.4f, 1.1f);
    D3DXMatrixTranslation(&t, 5, -2, 7);
    world = r * t;
    float det = 0;
    ASSERT_NE(D3DXMatrixInverse(&inverse, &det, &world), nullptr);
    EXPECT_NEAR(det, 1.0f, 1e-5f);
    D3DXMatrixMultiply(&product, &world, &inverse);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(product(i, j), i == j ? 1.0f : 0.0f, 1e-5f);
    D3DXMATRIX singular;
    D3DXMatrixScaling(&singular, 1, 0, 1);
    EXPECT_EQ(D3DXMatrixInverse(&inverse, nullptr, &singular), nullptr);

    const D3DXVECTOR3 n(1, 0, 0);
    D3DXVECTOR3 moved, turned;
    D3DXVec3TransformCoord(&moved, &n, &t);
    D3DXVec3TransformNormal(&turned, &n, &t);
    expectNear(moved, 6, -2, 7);
    expectNear(turned, 1, 0, 0);
}

TEST(D3dxMath, PerspectiveFovLhMapsNearAndFarToZeroAndOne) {
    D3DXMATRIX p;
    D3DXMatrixPerspectiveFovLH(&p, 45.0f, 800.0f / 600.0f, 1.0f, 50000.0f);
    EXPECT_NEAR(p._22, 1.0f / std::tan(22.5f), 1e-5f);
    EXPECT_NEAR(p._11, p._22 * 600.0f / 800.0f, 1e-5f);
    EXPECT_EQ(p._34, 1.0f);
    EXPECT_EQ(p._44, 0.0f);
    const D3DXVECTOR3 nearPoint(0, 0, 1), farPoint(0, 0, 50000);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &nearPoint, &p);
    EXPECT_NEAR(out.z, 0.0f, 1e-5f);
    D3DXVec3TransformCoord(&out, &farPoint, &p);
    EXPECT_NEAR(out.z, 1.0f, 1e-5f);
}

TEST(D3dxMath, VectorHelpersHandleZeroAndAliasing) {
    D3DXVECTOR3 zero, out(9, 9, 9);
    D3DXVec3Normalize(&out, &zero);
    expectNear(out, 0, 0, 0);
    D3DXVECTOR3 a(1, 0, 0), b(0, 1, 0);
    D3DXVec3Cross(&a, &a, &b);  // output aliases an input
    expectNear(a, 0, 0, 1);
    D3DXVECTOR3 up(0, 1, 0), eye(0, 0, -5), at(0, 0, 0);
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXVec3TransformCoord(&out, &at, &view);
    expectNear(out, 0, 0, 5);
}

}  // namespace
