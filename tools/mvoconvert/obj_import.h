// Wavefront OBJ to MVO mesh: positions, normals, texture coordinates and faces.
#pragma once

#include <mvobject/mvobject.h>

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace mvoconvert {

// A mesh in MVO's layout: one normal per vertex, triangles indexing both, and texture
// triangles indexing the texture coordinates on their own.
struct Mesh {
    std::vector<float> vertices;   // x, y, z per vertex
    std::vector<float> normals;    // x, y, z per vertex
    std::vector<uint32_t> faces;   // three vertex indices per triangle
    std::vector<float> texCoords;  // u, v per coordinate
    std::vector<uint32_t> texFaces;  // three texture indices per triangle, when texCoords exist

    // A record viewing this mesh's arrays; valid while the mesh is unchanged.
    MVOBJECT record();
};

// Reads OBJ text. Polygons become triangle fans; a corner without a normal gets the
// area-weighted average of the normals of the faces around its position. On failure returns
// false and sets `error` to a message naming the line.
bool importObj(std::istream& in, Mesh& mesh, std::string& error);

}  // namespace mvoconvert
