// Wavefront OBJ text into an MVO mesh: every index a mesh holds must stay inside its arrays.
#include "obj_import.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    mvoconvert::Mesh mesh;
    std::string error;
    if (!mvoconvert::importObj(in, mesh, error)) return 0;

    const size_t vertexCount = mesh.vertices.size() / 3;
    const size_t texCount = mesh.texCoords.size() / 2;
    if (mesh.normals.size() != mesh.vertices.size() || mesh.faces.size() % 3 != 0) std::abort();
    for (uint32_t index : mesh.faces)
        if (index >= vertexCount) std::abort();
    for (uint32_t index : mesh.texFaces)
        if (index >= texCount) std::abort();
    const MVOBJECT record = mesh.record();
    if (record.VertexCount != vertexCount || record.FaceCount != mesh.faces.size() / 3) std::abort();
    return 0;
}
