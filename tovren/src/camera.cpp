#include <tovren/camera.h>

#include "device_set.h"
#include "placement.h"

void cTOVREN_Camera::Apply() {
    IDirect3DDevice8* device = tovren::devices().device;
    if (!device) return;
    const D3DXMATRIX view = tovren::viewMatrix(viewAngles, false, position);
    device->SetTransform(D3DTS_VIEW, &view);
}
