// The camera: the view transform from the object's position and view angles.
#pragma once

#include <tovren/object.h>

// Reads position (the eye) and viewAngles: x looks up and down about the world X axis, y
// turns about the world Y axis (pitch first, then yaw); z is not used.
class cTOVREN_Camera : public cTOVREN_Object {
public:
    void Apply();
};
