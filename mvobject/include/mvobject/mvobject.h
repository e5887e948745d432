// MVObject: reads and writes one triangle mesh in an MVO file.
//
// Layout (little-endian): "MVO", major 1, minor 1, object count 1, reserved 0; then
// VertexCount, FaceCount, TexCoordCount (uint32 each); then positions and normals
// (12 bytes a vertex each, when VertexCount >= 3), triangles (12 bytes each), and, when
// TexCoordCount != 0, texture coordinates (8 bytes each) and texture triangles (12 bytes
// a face). A reader that finds a minor version other than 1 takes a 5-byte header.
//
// One file is open at a time in a process; no call is safe from two threads at once.
#pragma once

#include <cstdint>

// Status codes; 0 is success.
constexpr uint32_t MVO_OK = 0;
constexpr uint32_t MVO_ERR_MAGIC = 1;                // the file does not start with "MVO"
constexpr uint32_t MVO_ERR_MAJOR_VERSION = 2;        // major version is not 1
constexpr uint32_t MVO_ERR_OBJECT_COUNT = 3;         // object count is not 1
constexpr uint32_t MVO_ERR_VERTEX_COUNT = 0x101;     // VertexCount below 3
constexpr uint32_t MVO_ERR_FACE_COUNT = 0x102;       // FaceCount is 0
constexpr uint32_t MVO_ERR_OPEN = 0x10000001;        // file could not be opened or created
constexpr uint32_t MVO_ERR_NOT_OPEN = 0x10000002;    // close requested with no file open
constexpr uint32_t MVO_ERR_WRITE = 0x10000003;       // write failed; also short data inside a load
constexpr uint32_t MVO_ERR_READ = 0x10000004;        // read returned fewer bytes than asked
constexpr uint32_t MVO_ERR_MEMORY = 0x20000001;      // allocation failed

// One object. The arrays are allocated with malloc by the loader and belong to the caller
// afterwards (free them with MVO_FreeObject or free()). Indices are not checked against the
// counts by the loader: consumers must check them before use.
struct MVOBJECT {
    uint32_t VertexCount;    // at least 3 in a loaded object
    uint32_t FaceCount;      // at least 1 in a loaded object
    uint32_t TexCoordCount;  // 0: no texture mapping
    float* Vertices;         // VertexCount x (x, y, z)
    float* Normals;          // VertexCount x (x, y, z), one per vertex
    uint32_t* Faces;         // FaceCount x 3 indices into Vertices/Normals
    float* TexCoords;        // TexCoordCount x (u, v)
    uint32_t* TexFaces;      // FaceCount x 3 indices into TexCoords; only with TexCoordCount != 0
};

// Raw access to the one library-wide open file.
class cMVO_File {
public:
    // Deletes any file of that name, then creates it for writing.
    uint32_t CreateOutFile(const char* fileName);
    uint32_t CreateInFile(const char* fileName);
    // Both succeed only when the whole count moves.
    uint32_t WriteData(const void* data, uint32_t byteCount);
    uint32_t ReadData(void* data, uint32_t byteCount);
    uint32_t CloseFile();
};

class cMVO : public cMVO_File {
public:
    uint32_t LoadMVOHeader(MVOBJECT* object);
    uint32_t LoadObjectHeader(MVOBJECT* object);
    // Refuses counts whose arrays cannot be in the rest of the file before allocating.
    uint32_t LoadObjectGeometry(MVOBJECT* object);
    // Sets the five array pointers to null first, so MVO_FreeObject is safe after any result.
    // Closes the file on every path.
    uint32_t LoadObject(const char* fileName, MVOBJECT* object);

    uint32_t SaveMVOHeader(int32_t objectCount);
    uint32_t SaveObjectHeader(MVOBJECT object);
    uint32_t SaveObjectGeometry(MVOBJECT object);
    // Closes the file on every path; a failed save leaves no file open.
    uint32_t SaveSingleObject(const char* fileName, MVOBJECT object);
};

// Writes the text of a code into the library's error-text buffer.
void MVO_GenerateErrorMessage(uint32_t code);
// Copies the text of a code, terminator included, into `text` (at least 16 bytes).
void MVO_ERROR_GetStringByCode(uint32_t code, char* text);

// Frees the arrays a load allocated and sets their pointers to null; counts are kept.
// Usable after a failed load as well.
void MVO_FreeObject(MVOBJECT* object);

// The library version, 35881.
extern const uint32_t MVO_GetVersion;
