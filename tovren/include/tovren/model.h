// Static triangle meshes from MVO files, drawn from one vertex buffer with a world transform
// built from a position and three rotation angles (degrees, applied X, then Y, then Z).
#pragma once

#include <tovren/object.h>

#include <platform/d3d8.h>

#include <cstdint>

// One run of triangles drawn in a single call.
struct TOVREN_BLOCK {
    uint32_t firstVertex;
    uint32_t triangleCount;
};

struct TOVREN_FACE {
    uint32_t cornerCount;  // always 3
    uint32_t vertex[3];
};

// Position then normal; three vertices a triangle, in face order.
constexpr DWORD TOVREN_MODEL_FVF = D3DFVF_XYZ | D3DFVF_NORMAL;
constexpr uint32_t TOVREN_MODEL_VERTEX_SIZE = 24;

// Draw modes: 0, 3 and 4 draw and switch alpha blending off; 1 draws and leaves blending as
// it is; any other mode draws nothing.
constexpr uint32_t TOVREN_DRAW_SOLID = 0;
constexpr uint32_t TOVREN_DRAW_KEEP_BLENDING = 1;

class cTOVREN_Model : public cTOVREN_Object {
public:
    char* texturePaths = nullptr;  // "path|path|...", null when empty
    uint32_t texturePathSize = 0;  // bytes including the terminator, 0 when empty
    IDirect3DVertexBuffer8* vertexBuffer = nullptr;
    uint8_t loaded = 0;
    uint32_t vertexCount = 0;
    uint32_t faceCount = 0;
    uint32_t texCoordCount = 0;
    TOVREN_BLOCK* blocks = nullptr;
    TOVREN_fCoord3* vertices = nullptr;
    TOVREN_fCoord3* normals = nullptr;
    float* texCoords = nullptr;  // u, v pairs
    TOVREN_FACE* faces = nullptr;
    uint32_t* texFaces = nullptr;  // three texture coordinate indices a face

    cTOVREN_Model() = default;
    // Copies share the vertex buffer and the arrays; only Delete frees them.
    cTOVREN_Model(const cTOVREN_Model&) = default;
    cTOVREN_Model& operator=(const cTOVREN_Model&) = default;
    ~cTOVREN_Model() override;  // releases nothing: call Delete

    // "...mvo" files only (case-sensitive, no dot needed); then builds the vertex buffer.
    uint32_t Load(const char* fileName);
    // MVObject's own code on a failed read; 0x60000005 when a face names a vertex that does
    // not exist. Call Delete before loading another mesh into the same model.
    uint32_t Load_FromMVO(const char* fileName);
    uint32_t GenerateFromBuffer();

    void Draw(TOVREN_fCoord3 position, TOVREN_fCoord3 rotation, uint32_t drawMode);
    void Draw(TOVREN_fCoord3 position, TOVREN_fCoord3 rotation);

    // The vertex turned by the rotation (not moved to the position); (0, 0, 0) for an index
    // past the vertex count. Stores position and rotation in the object.
    TOVREN_fCoord3 GetVertexWorldPosition(uint32_t index, TOVREN_fCoord3 position, TOVREN_fCoord3 rotation);
    TOVREN_fCoord3 RotateVertex(TOVREN_fCoord3 vertex, TOVREN_fCoord3 rotation);

    void AddTexturePath(const char* path);
    void FreeTexturePaths();

    // Frees the arrays and the face table, releases the vertex buffer; the model is empty.
    uint32_t Delete();
    // Releases the vertex buffer only; GenerateFromBuffer can build it again.
    uint32_t DeleteVB();
};
