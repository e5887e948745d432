// The placement every positioned engine object shares: models and the camera.
#pragma once

#include <tovren/vector_math.h>

class cTOVREN_Object {
public:
    TOVREN_fCoord3 rotation{};    // degrees about X, Y and Z
    TOVREN_fCoord3 position{};    // world coordinates
    TOVREN_fCoord3 viewAngles{};  // degrees; the camera's x (pitch) and y (yaw)

    cTOVREN_Object() = default;
    cTOVREN_Object(const cTOVREN_Object&) = default;
    cTOVREN_Object& operator=(const cTOVREN_Object&) = default;
    virtual ~cTOVREN_Object();
};
