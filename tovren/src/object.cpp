#include <tovren/object.h>

#include "placement.h"

cTOVREN_Object::~cTOVREN_Object() = default;

namespace tovren {

D3DXMATRIX rotationMatrix(TOVREN_fCoord3 degrees) {
    D3DXMATRIX result, turn;
    D3DXMatrixIdentity(&result);
    D3DXMatrixMultiply(&result, &result, D3DXMatrixRotationX(&turn, degrees.x * kDegreesToRadians));
    D3DXMatrixMultiply(&result, &result, D3DXMatrixRotationY(&turn, degrees.y * kDegreesToRadians));
    D3DXMatrixMultiply(&result, &result, D3DXMatrixRotationZ(&turn, degrees.z * kDegreesToRadians));
    return result;
}

namespace {

void turnAbout(const D3DXVECTOR3& axis, float degrees, D3DXVECTOR3& look, D3DXVECTOR3& up) {
    D3DXMATRIX turn;
    D3DXMatrixRotationAxis(&turn, &axis, degrees * kDegreesToRadians);
    D3DXVec3TransformNormal(&look, &look, &turn);
    D3DXVec3TransformNormal(&up, &up, &turn);
}

}  // namespace

D3DXMATRIX viewMatrix(TOVREN_fCoord3 degrees, bool useZ, TOVREN_fCoord3 eye) {
    D3DXVECTOR3 look(0, 0, 1), up(0, 1, 0), right;
    turnAbout(D3DXVECTOR3(1, 0, 0), degrees.x, look, up);
    turnAbout(D3DXVECTOR3(0, 1, 0), degrees.y, look, up);
    if (useZ) turnAbout(D3DXVECTOR3(0, 0, 1), degrees.z, look, up);
    D3DXVec3Normalize(&look, &look);
    D3DXVec3Normalize(&right, D3DXVec3Cross(&right, &up, &look));
    D3DXVec3Normalize(&up, D3DXVec3Cross(&up, &look, &right));

    const D3DXVECTOR3 at(eye.x, eye.y, eye.z);
    const D3DXMATRIX view(right.x, up.x, look.x, 0, right.y, up.y, look.y, 0, right.z, up.z, look.z, 0,
                          -D3DXVec3Dot(&at, &right), -D3DXVec3Dot(&at, &up), -D3DXVec3Dot(&at, &look), 1);
    return view;
}

}  // namespace tovren
