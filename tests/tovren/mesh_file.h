// Small triangle meshes written as MVO files for the model, picking and scene tests.
#pragma once

#include <mvobject/mvobject.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tovtest {

struct Mesh {
    std::vector<float> positions;  // x, y, z a vertex
    std::vector<float> normals;    // one a vertex
    std::vector<uint32_t> faces;   // three indices a triangle
};

// Saves the mesh with MVObject's writer; false when it cannot be written.
inline bool writeMvo(const std::string& path, Mesh mesh) {
    MVOBJECT object{};
    object.VertexCount = static_cast<uint32_t>(mesh.positions.size() / 3);
    object.FaceCount = static_cast<uint32_t>(mesh.faces.size() / 3);
    object.Vertices = mesh.positions.data();
    object.Normals = mesh.normals.data();
    object.Faces = mesh.faces.data();
    cMVO writer;
    return writer.SaveSingleObject(path.c_str(), object) == MVO_OK;
}

// A square of side 2 around (0, 0, z) facing -z: clockwise as seen from the origin, so its
// front faces a camera there looking along +z. Normals point back at that camera.
inline Mesh facingSquare(float z) {
    return Mesh{{-1, -1, z, -1, 1, z, 1, 1, z, 1, -1, z},
                {0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1},
                {0, 1, 2, 0, 2, 3}};
}

}  // namespace tovtest
