#include <mvobject/mvobject.h>

#include "file_internal.h"

#include <support/bytes.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

// The arrays are stored and read as raw little-endian words.
static_assert(std::endian::native == std::endian::little, "MVO arrays are read in place");

namespace {

// The file head: "MVO", the major and the minor version; version 1.1 goes on with the
// object count and a reserved byte.
constexpr size_t kMagicSize = 3;
constexpr size_t kMajorVersion = 3;
constexpr size_t kMinorVersion = 4;
constexpr size_t kObjectCount = 0;  // in the two bytes after the head
constexpr size_t kHeadSize = 5;

constexpr uint64_t kMaxBlock = UINT32_MAX;
constexpr uint64_t kVec3Bytes = 12;
constexpr uint64_t kTriangleBytes = 12;
constexpr uint64_t kTexCoordBytes = 8;

// A block the rest of the file cannot hold is refused before anything is allocated, so a
// hostile count never turns into a huge allocation.
bool blockFits(uint64_t bytes) { return bytes <= kMaxBlock && bytes <= mvo_detail::bytesLeft(); }

template <typename T>
uint32_t allocateBlock(T** field, uint64_t bytes) {
    if (bytes == 0) return MVO_OK;
    void* memory = std::malloc(bytes);
    if (!memory) return MVO_ERR_MEMORY;
    *field = static_cast<T*>(memory);
    return MVO_OK;
}

template <typename T>
uint32_t readBlock(cMVO_File& file, T* field, uint64_t bytes) {
    if (bytes == 0) return MVO_OK;
    return file.ReadData(field, static_cast<uint32_t>(bytes)) == MVO_OK ? MVO_OK : MVO_ERR_WRITE;
}

template <typename T>
uint32_t loadBlock(cMVO_File& file, T** field, uint64_t bytes) {
    if (!blockFits(bytes)) return MVO_ERR_WRITE;
    if (const uint32_t status = allocateBlock(field, bytes)) return status;
    return readBlock(file, *field, bytes);
}

uint32_t readCount(cMVO_File& file, uint32_t* value) {
    uint8_t bytes[4];
    if (file.ReadData(bytes, sizeof bytes) != MVO_OK) return MVO_ERR_WRITE;
    *value = kvsupport::readLe32(bytes);
    return MVO_OK;
}

uint32_t writeCount(cMVO_File& file, uint32_t value) {
    uint8_t bytes[4];
    kvsupport::writeLe32(bytes, value);
    return file.WriteData(bytes, sizeof bytes);
}

uint32_t writeBlock(cMVO_File& file, const void* data, uint64_t bytes) {
    // A count whose block is over 4 GiB would be written cut short and corrupt the file.
    if (bytes > kMaxBlock) return MVO_ERR_WRITE;
    return file.WriteData(data, static_cast<uint32_t>(bytes));
}

void clearArrays(MVOBJECT* object) {
    object->Vertices = nullptr;
    object->Normals = nullptr;
    object->Faces = nullptr;
    object->TexCoords = nullptr;
    object->TexFaces = nullptr;
}

}  // namespace

uint32_t cMVO::LoadMVOHeader(MVOBJECT*) {
    uint8_t head[kHeadSize];
    if (ReadData(head, sizeof head) != MVO_OK) return MVO_ERR_READ;
    if (std::memcmp(head, "MVO", kMagicSize) != 0) return MVO_ERR_MAGIC;
    if (head[kMajorVersion] != 1) return MVO_ERR_MAJOR_VERSION;
    if (head[kMinorVersion] != 1) return MVO_OK;
    uint8_t tail[2];
    if (ReadData(tail, sizeof tail) != MVO_OK) return MVO_ERR_WRITE;
    return tail[kObjectCount] == 1 ? MVO_OK : MVO_ERR_OBJECT_COUNT;
}

uint32_t cMVO::LoadObjectHeader(MVOBJECT* object) {
    if (!object) return MVO_ERR_WRITE;
    uint32_t value = 0;
    if (readCount(*this, &value) != MVO_OK) return MVO_ERR_WRITE;
    if (value < 3) return MVO_ERR_VERTEX_COUNT;
    object->VertexCount = value;
    if (readCount(*this, &value) != MVO_OK) return MVO_ERR_WRITE;
    if (value == 0) return MVO_ERR_FACE_COUNT;
    object->FaceCount = value;
    if (readCount(*this, &value) != MVO_OK) return MVO_ERR_WRITE;
    object->TexCoordCount = value;
    return MVO_OK;
}

uint32_t cMVO::LoadObjectGeometry(MVOBJECT* object) {
    if (!object) return MVO_ERR_WRITE;
    const uint64_t vertexBytes = uint64_t{object->VertexCount} * kVec3Bytes;
    const uint64_t faceBytes = uint64_t{object->FaceCount} * kTriangleBytes;
    const uint64_t texCoordBytes = uint64_t{object->TexCoordCount} * kTexCoordBytes;
    if (object->VertexCount >= 3) {
        if (const uint32_t status = loadBlock(*this, &object->Vertices, vertexBytes)) return status;
        if (const uint32_t status = loadBlock(*this, &object->Normals, vertexBytes)) return status;
    }
    if (object->FaceCount != 0) {
        if (const uint32_t status = loadBlock(*this, &object->Faces, faceBytes)) return status;
    }
    if (object->TexCoordCount == 0) return MVO_OK;
    // Both texture blocks are allocated before either is read.
    if (!blockFits(texCoordBytes) || !blockFits(faceBytes) || !blockFits(texCoordBytes + faceBytes))
        return MVO_ERR_WRITE;
    if (const uint32_t status = allocateBlock(&object->TexCoords, texCoordBytes)) return status;
    if (const uint32_t status = allocateBlock(&object->TexFaces, faceBytes)) return status;
    if (const uint32_t status = readBlock(*this, object->TexCoords, texCoordBytes)) return status;
    return readBlock(*this, object->TexFaces, faceBytes);
}

uint32_t cMVO::LoadObject(const char* fileName, MVOBJECT* object) {
    if (!object) return MVO_ERR_WRITE;
    clearArrays(object);
    if (const uint32_t status = CreateInFile(fileName)) return status;
    uint32_t status = LoadMVOHeader(object);
    if (status == MVO_OK) status = LoadObjectHeader(object);
    if (status == MVO_OK) status = LoadObjectGeometry(object);
    if (status != MVO_OK) {
        CloseFile();
        return status;
    }
    return CloseFile();
}

uint32_t cMVO::SaveMVOHeader(int32_t objectCount) {
    if (WriteData("MVO", kMagicSize) != MVO_OK) return MVO_ERR_WRITE;
    const uint8_t fields[4] = {1, 1, static_cast<uint8_t>(objectCount), 0};
    for (const uint8_t field : fields) {
        if (WriteData(&field, 1) != MVO_OK) return MVO_ERR_WRITE;
    }
    return MVO_OK;
}

uint32_t cMVO::SaveObjectHeader(MVOBJECT object) {
    for (const uint32_t count : {object.VertexCount, object.FaceCount, object.TexCoordCount}) {
        if (writeCount(*this, count) != MVO_OK) return MVO_ERR_WRITE;
    }
    return MVO_OK;
}

uint32_t cMVO::SaveObjectGeometry(MVOBJECT object) {
    const uint64_t vertexBytes = uint64_t{object.VertexCount} * kVec3Bytes;
    const uint64_t faceBytes = uint64_t{object.FaceCount} * kTriangleBytes;
    const uint64_t texCoordBytes = uint64_t{object.TexCoordCount} * kTexCoordBytes;
    if (object.VertexCount >= 3) {
        if (writeBlock(*this, object.Vertices, vertexBytes) != MVO_OK) return MVO_ERR_WRITE;
        if (writeBlock(*this, object.Normals, vertexBytes) != MVO_OK) return MVO_ERR_WRITE;
    }
    if (object.FaceCount != 0 && writeBlock(*this, object.Faces, faceBytes) != MVO_OK) return MVO_ERR_WRITE;
    if (object.TexCoordCount != 0) {
        if (writeBlock(*this, object.TexCoords, texCoordBytes) != MVO_OK) return MVO_ERR_WRITE;
        if (writeBlock(*this, object.TexFaces, faceBytes) != MVO_OK) return MVO_ERR_WRITE;
    }
    return MVO_OK;
}

uint32_t cMVO::SaveSingleObject(const char* fileName, MVOBJECT object) {
    if (const uint32_t status = CreateOutFile(fileName)) return status;
    uint32_t status = SaveMVOHeader(1);
    if (status == MVO_OK) status = SaveObjectHeader(object);
    if (status == MVO_OK) status = SaveObjectGeometry(object);
    if (status != MVO_OK) {
        CloseFile();
        return status;
    }
    return CloseFile();
}

void MVO_FreeObject(MVOBJECT* object) {
    if (!object) return;
    std::free(object->Vertices);
    std::free(object->Normals);
    std::free(object->Faces);
    std::free(object->TexCoords);
    std::free(object->TexFaces);
    clearArrays(object);
}
