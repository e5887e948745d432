// mvoconvert model.obj model.mvo    writes an MVO file from a Wavefront OBJ file
// mvoconvert --dump model.mvo       prints an MVO file's counts and arrays as text
#include "mvoconvert_help.h"
#include "obj_import.h"

#include <mvobject/mvobject.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <new>
#include <string>

namespace {

namespace help = kvhelp_mvoconvert;

int usageError(const std::string& what) {
    std::fprintf(stderr, "mvoconvert: %s\n%s", what.c_str(), help::usage);
    return 2;
}

// The library has one text for every failure; these say which.
const char* reason(uint32_t status) {
    switch (status) {
    case MVO_ERR_MAGIC: return "not an MVO file";
    case MVO_ERR_MAJOR_VERSION: return "an MVO version other than 1";
    case MVO_ERR_OBJECT_COUNT: return "holds more or fewer than one object";
    case MVO_ERR_VERTEX_COUNT: return "fewer than 3 vertices";
    case MVO_ERR_FACE_COUNT: return "no faces";
    case MVO_ERR_OPEN: return std::strerror(errno);
    case MVO_ERR_WRITE: return "write failed, or the file ends early";
    case MVO_ERR_READ: return "the file ends early";
    case MVO_ERR_MEMORY: return "out of memory";
    default: return "failed";
    }
}

void printFloats(const char* keyword, const float* values, uint32_t rows, int columns) {
    for (uint32_t row = 0; row < rows; ++row) {
        std::printf("%s", keyword);
        for (int c = 0; c < columns; ++c) std::printf(" %.9g", double(values[size_t(row) * size_t(columns) + size_t(c)]));
        std::printf("\n");
    }
}

void printTriangles(const char* keyword, const uint32_t* indices, uint32_t rows) {
    for (uint32_t row = 0; row < rows; ++row) {
        const uint32_t* t = indices + size_t(row) * 3;
        std::printf("%s %u %u %u\n", keyword, t[0], t[1], t[2]);
    }
}

int dump(const char* path) {
    cMVO mvo;
    MVOBJECT object{};
    const uint32_t status = mvo.LoadObject(path, &object);
    if (status != MVO_OK) {
        std::fprintf(stderr, "mvoconvert: %s: cannot read: %s (code 0x%08X)\n", path, reason(status), status);
        MVO_FreeObject(&object);
        return 1;
    }
    std::printf("VertexCount %u\nFaceCount %u\nTexCoordCount %u\n", object.VertexCount, object.FaceCount,
                object.TexCoordCount);
    printFloats("v", object.Vertices, object.VertexCount, 3);
    printFloats("vn", object.Normals, object.VertexCount, 3);
    printTriangles("f", object.Faces, object.FaceCount);
    if (object.TexCoordCount) {
        printFloats("vt", object.TexCoords, object.TexCoordCount, 2);
        printTriangles("ft", object.TexFaces, object.FaceCount);
    }
    MVO_FreeObject(&object);
    return 0;
}

int convert(const char* objPath, const char* mvoPath) {
    std::ifstream in(objPath);
    if (!in) {
        std::fprintf(stderr, "mvoconvert: %s: cannot read: %s\n", objPath, std::strerror(errno));
        return 1;
    }
    mvoconvert::Mesh mesh;
    std::string error;
    if (!mvoconvert::importObj(in, mesh, error)) {
        std::fprintf(stderr, "mvoconvert: %s: %s\n", objPath, error.c_str());
        return 1;
    }
    cMVO mvo;
    const MVOBJECT object = mesh.record();
    const uint32_t status = mvo.SaveSingleObject(mvoPath, object);
    if (status != MVO_OK) {
        std::fprintf(stderr, "mvoconvert: %s: cannot write: %s (code 0x%08X)\n", mvoPath, reason(status), status);
        return 1;
    }
    std::printf("%s: %u vertices, %u triangles, %u texture coordinates\n", mvoPath, object.VertexCount,
                object.FaceCount, object.TexCoordCount);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(help::text, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s %s\n", help::name, help::version);
        return 0;
    }
    const char* file = argc == 3 ? (std::strcmp(argv[1], "--dump") == 0 ? argv[2] : argv[1]) : "";
    try {
        if (argc == 3 && std::strcmp(argv[1], "--dump") == 0) return dump(argv[2]);
        if (argc == 3 && argv[1][0] != '-') return convert(argv[1], argv[2]);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "mvoconvert: %s: Memory allocation is failed!\n", file);
        return 1;
    }
    const bool dumping = argc >= 2 && std::strcmp(argv[1], "--dump") == 0;
    if (argc >= 2 && argv[1][0] == '-' && !dumping) return usageError(std::string("unknown option '") + argv[1] + "'");
    return usageError(dumping ? "--dump takes one MVO file" : "MODEL.obj and MODEL.mvo are needed");
}
