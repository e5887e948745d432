// A textured sky box around the viewer: six inward-facing squares drawn with a view that
// keeps only the camera's rotation, described by a SkyAmbient XML file.
#pragma once

#include <tovren/texture.h>
#include <tovren/vector_math.h>

#include <cstdint>

// The only kind of sky Create builds.
constexpr uint8_t TOVREN_SKY_BOX = 0x3F;

constexpr DWORD TOVREN_SKY_FVF = D3DFVF_XYZ | D3DFVF_TEX1;
constexpr uint32_t TOVREN_SKY_VERTEX_SIZE = 20;  // x, y, z, u, v
constexpr uint32_t TOVREN_SKY_VERTEX_COUNT = 24;  // four a plane, in plane order

constexpr uint32_t TOVREN_ERR_XML_FORMAT = 0x40000001;
constexpr uint32_t TOVREN_ERR_XML_GROUP = 0x40000002;

// The box's geometry is one vertex buffer shared by every sky: a Create replaces it for all,
// and a Release releases it for all.
class cTOVREN_Sky {
public:
    cTOVREN_Texture front;
    cTOVREN_Texture back;
    cTOVREN_Texture left;
    cTOVREN_Texture right;
    cTOVREN_Texture top;
    cTOVREN_Texture bottom;

    cTOVREN_Sky() = default;
    cTOVREN_Sky(const cTOVREN_Sky&) = default;
    cTOVREN_Sky& operator=(const cTOVREN_Sky&) = default;
    virtual ~cTOVREN_Sky();  // releases nothing: call Release

    // Builds the box of half-size `distance` with texture coordinates from `displacement` to
    // 1 - displacement. Any kind but TOVREN_SKY_BOX builds nothing and returns 0.
    uint32_t Create(uint8_t kind, float distance, float displacement);
    // Loads the six textures in this order and stops at the first failure.
    uint32_t Box_LoadPlanesFromFile(const char* frontFile, const char* backFile, const char* leftFile,
                                    const char* rightFile, const char* topFile, const char* bottomFile);
    // <SkyAmbient><Sky type="BOX" distance="..."/><FrontPlane texture="..." displacement="..."/>
    // ...BackPlane, LeftPlane, RightPlane, TopPlane, BottomPlane...</SkyAmbient>
    // 3 when the file cannot be read or parsed, 0x40000001 without SkyAmbient, 0x40000002
    // when an element or a texture name is missing, 2 for a texture name of more than 259
    // characters, 0xFFFFFFFF when type is not a prefix of "BOX".
    uint32_t LoadSkyAmbientFromXML(const char* fileName);
    // Turns off lighting, sets the world to the identity and the view to the rotation of the
    // angles (degrees about X, then Y, then Z), and draws the six planes.
    void Draw(TOVREN_fCoord3 viewAngles);
    // Releases the six textures and the shared box.
    void Release();
};
