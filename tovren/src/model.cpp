#include <tovren/model.h>

#include <tovren/debug.h>

#include "device_set.h"
#include "placement.h"

#include <mvobject/mvobject.h>

#include <cstdlib>
#include <cstring>

using tovren::devices;
using tovren::releaseAndClear;

namespace {

constexpr uint32_t kUnknownFormat = 0x60000001;
constexpr uint32_t kWrongVertexCount = 0x60000005;
constexpr uint32_t kVertexBufferFailed = 0xFFFFFFFF;
constexpr uint32_t kBytesPerTriangle = 3 * TOVREN_MODEL_VERTEX_SIZE;

// Drawing and picking index the vertex arrays with these, so every one must be in range.
bool facesInRange(const MVOBJECT& object) {
    const uint64_t indices = uint64_t{object.FaceCount} * 3;
    for (uint64_t i = 0; i < indices; ++i) {
        if (object.Faces[i] >= object.VertexCount) return false;
    }
    return true;
}

template <typename T>
void freeAndClear(T*& array) {
    std::free(array);
    array = nullptr;
}

TOVREN_fCoord3 rotated(const TOVREN_fCoord3& vertex, const D3DXMATRIX& rotation) {
    const D3DXVECTOR3 in(vertex.x, vertex.y, vertex.z);
    D3DXVECTOR3 out;
    D3DXVec3TransformNormal(&out, &in, &rotation);
    return {out.x, out.y, out.z};
}

// Position then normal of each corner, three corners a face, in face order.
void writeVertices(const cTOVREN_Model& model, float* out) {
    for (uint32_t f = 0; f < model.faceCount; ++f) {
        for (uint32_t corner = 0; corner < 3; ++corner) {
            const uint32_t v = model.faces[f].vertex[corner];
            std::memcpy(out, &model.vertices[v], sizeof(TOVREN_fCoord3));
            std::memcpy(out + 3, &model.normals[v], sizeof(TOVREN_fCoord3));
            out += 6;
        }
        TOVREN_DEBUG_Println("Write... Point #%i, Material #%i, Face #%i", static_cast<int>(3 * f + 2), 0,
                             static_cast<int>(f));
    }
}

}  // namespace

cTOVREN_Model::~cTOVREN_Model() = default;

uint32_t cTOVREN_Model::Load(const char* fileName) {
    const size_t length = fileName ? std::strlen(fileName) : 0;
    if (length < 3 || std::strcmp(fileName + length - 3, "mvo") != 0) return kUnknownFormat;
    if (const uint32_t status = Load_FromMVO(fileName)) return status;
    return GenerateFromBuffer();
}

uint32_t cTOVREN_Model::Load_FromMVO(const char* fileName) {
    cMVO reader;
    MVOBJECT object{};
    uint32_t status = reader.LoadObject(fileName, &object);
    if (status == MVO_OK && !facesInRange(object)) status = kWrongVertexCount;
    TOVREN_FACE* table = nullptr;
    if (status == MVO_OK) {
        table = static_cast<TOVREN_FACE*>(std::malloc(sizeof(TOVREN_FACE) * size_t{object.FaceCount}));
        if (!table) status = TOVREN_ERR_MEMORY;
    }
    if (status != MVO_OK) {
        MVO_FreeObject(&object);
        return status;
    }
    TOVREN_DEBUG_Println("Mvo model loaded!");

    loaded = 1;
    vertexCount = object.VertexCount;
    faceCount = object.FaceCount;
    texCoordCount = object.TexCoordCount;
    TOVREN_DEBUG_Println("Counters copied");

    vertices = reinterpret_cast<TOVREN_fCoord3*>(object.Vertices);
    normals = reinterpret_cast<TOVREN_fCoord3*>(object.Normals);
    texCoords = object.TexCoords;
    texFaces = object.TexFaces;
    TOVREN_DEBUG_Println("Pointers copied");

    for (uint32_t f = 0; f < faceCount; ++f) {
        table[f].cornerCount = 3;
        std::memcpy(table[f].vertex, object.Faces + size_t{f} * 3, sizeof table[f].vertex);
    }
    faces = table;
    std::free(object.Faces);
    TOVREN_DEBUG_Println("All done.");
    return TOVREN_OK;
}

uint32_t cTOVREN_Model::GenerateFromBuffer() {
    IDirect3DDevice8* device = devices().device;
    const uint64_t length = uint64_t{faceCount} * kBytesPerTriangle;
    if (!device || !faces || length == 0 || length > UINT32_MAX) return kVertexBufferFailed;
    const UINT bytes = static_cast<UINT>(length);
    if (FAILED(device->CreateVertexBuffer(bytes, 0, TOVREN_MODEL_FVF, D3DPOOL_DEFAULT, &vertexBuffer))) {
        vertexBuffer = nullptr;
        return kVertexBufferFailed;
    }
    TOVREN_DEBUG_Println("Vertex buffer created! Size: %i", static_cast<int>(bytes));

    float* staging = static_cast<float*>(std::malloc(bytes));
    if (!staging) return TOVREN_ERR_MEMORY;
    TOVREN_DEBUG_Println("Vertex memory allocated!");
    if (!blocks) blocks = static_cast<TOVREN_BLOCK*>(std::malloc(sizeof(TOVREN_BLOCK)));
    if (!blocks) {
        std::free(staging);
        return TOVREN_ERR_MEMORY;
    }
    TOVREN_DEBUG_Println("Blocks allocated!");

    writeVertices(*this, staging);
    TOVREN_DEBUG_Println("Material #%i vertexes  complete", 0);
    blocks[0] = TOVREN_BLOCK{0, faceCount};
    TOVREN_DEBUG_Println("Block #%i... Start pos: %i, Size: %i", 0, static_cast<int>(blocks[0].firstVertex),
                         static_cast<int>(blocks[0].triangleCount));
    TOVREN_DEBUG_Println("Vertex memory completed!");

    BYTE* data = nullptr;
    if (FAILED(vertexBuffer->Lock(0, bytes, &data, 0))) {
        std::free(staging);
        return kVertexBufferFailed;
    }
    TOVREN_DEBUG_Println("Vertex buffer locked!");
    std::memcpy(data, staging, bytes);
    TOVREN_DEBUG_Println("Vertex data copied!");
    vertexBuffer->Unlock();
    TOVREN_DEBUG_Println("Vertex buffer unlocked!");
    std::free(staging);
    return TOVREN_OK;
}

void cTOVREN_Model::Draw(TOVREN_fCoord3 newPosition, TOVREN_fCoord3 newRotation, uint32_t drawMode) {
    rotation = newRotation;
    position = newPosition;
    IDirect3DDevice8* device = devices().device;
    if (!device) return;
    D3DXMATRIX world, translation;
    const D3DXMATRIX turn = tovren::rotationMatrix(rotation);
    D3DXMatrixMultiply(&world, &turn, D3DXMatrixTranslation(&translation, position.x, position.y, position.z));
    device->SetTransform(D3DTS_WORLD, &world);
    if (loaded != 1 || !vertexBuffer || !blocks) return;

    device->SetStreamSource(0, vertexBuffer, TOVREN_MODEL_VERTEX_SIZE);
    device->SetVertexShader(TOVREN_MODEL_FVF);
    const TOVREN_BLOCK block = blocks[0];
    if (block.triangleCount == 0) return;
    device->SetTexture(0, nullptr);
    switch (drawMode) {
    case 0:
    case 3:
    case 4:
        device->DrawPrimitive(D3DPT_TRIANGLELIST, block.firstVertex, block.triangleCount);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        break;
    case 1: device->DrawPrimitive(D3DPT_TRIANGLELIST, block.firstVertex, block.triangleCount); break;
    default: break;
    }
}

void cTOVREN_Model::Draw(TOVREN_fCoord3 newPosition, TOVREN_fCoord3 newRotation) {
    Draw(newPosition, newRotation, TOVREN_DRAW_SOLID);
}

TOVREN_fCoord3 cTOVREN_Model::GetVertexWorldPosition(uint32_t index, TOVREN_fCoord3 newPosition,
                                                     TOVREN_fCoord3 newRotation) {
    if (index >= vertexCount || !vertices) return {0.0f, 0.0f, 0.0f};
    position = newPosition;
    rotation = newRotation;
    return rotated(vertices[index], tovren::rotationMatrix(rotation));
}

TOVREN_fCoord3 cTOVREN_Model::RotateVertex(TOVREN_fCoord3 vertex, TOVREN_fCoord3 angles) {
    return rotated(vertex, tovren::rotationMatrix(angles));
}

void cTOVREN_Model::AddTexturePath(const char* path) {
    if (!path) return;
    const size_t oldLength = texturePaths ? std::strlen(texturePaths) : 0;
    const size_t pathLength = std::strlen(path);
    const size_t newSize = oldLength + pathLength + 2;  // '|' and the terminator
    if (newSize > UINT32_MAX) return;
    char* grown = static_cast<char*>(std::realloc(texturePaths, newSize));
    if (!grown) return;
    std::memcpy(grown + oldLength, path, pathLength);
    grown[newSize - 2] = '|';
    grown[newSize - 1] = '\0';
    texturePaths = grown;
    texturePathSize = static_cast<uint32_t>(newSize);
}

void cTOVREN_Model::FreeTexturePaths() {
    if (!texturePaths) return;
    std::memset(texturePaths, 0, texturePathSize);
    freeAndClear(texturePaths);
    texturePathSize = 0;
}

uint32_t cTOVREN_Model::Delete() {
    vertexCount = faceCount = texCoordCount = 0;
    loaded = 0;
    releaseAndClear(vertexBuffer);
    freeAndClear(vertices);
    freeAndClear(normals);
    freeAndClear(texCoords);
    freeAndClear(texFaces);
    freeAndClear(faces);
    freeAndClear(blocks);
    return TOVREN_OK;
}

uint32_t cTOVREN_Model::DeleteVB() {
    releaseAndClear(vertexBuffer);
    return TOVREN_OK;
}
