// Loads arbitrary bytes as an MVO file; whatever loads must save and load back unchanged.
#include <mvobject/mvobject.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

std::string scratchPath(const char* role) {
    return "/tmp/mvo_load_" + std::to_string(getpid()) + "_" + role + ".mvo";
}

bool writeBytes(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

bool sameArray(const void* a, const void* b, uint64_t bytes) { return bytes == 0 || std::memcmp(a, b, bytes) == 0; }

void checkRoundTrip(cMVO& mvo, const MVOBJECT& object) {
    const std::string path = scratchPath("out");
    if (mvo.SaveSingleObject(path.c_str(), object) != MVO_OK) std::abort();
    MVOBJECT again{};
    if (mvo.LoadObject(path.c_str(), &again) != MVO_OK) std::abort();
    const uint64_t v = object.VertexCount, f = object.FaceCount, t = object.TexCoordCount;
    const bool same = again.VertexCount == v && again.FaceCount == f && again.TexCoordCount == t &&
                      sameArray(again.Vertices, object.Vertices, v * 12) &&
                      sameArray(again.Normals, object.Normals, v * 12) && sameArray(again.Faces, object.Faces, f * 12) &&
                      (t == 0 || (sameArray(again.TexCoords, object.TexCoords, t * 8) &&
                                  sameArray(again.TexFaces, object.TexFaces, f * 12)));
    MVO_FreeObject(&again);
    if (!same) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = scratchPath("in");
    if (!writeBytes(path, data, size)) return 0;
    cMVO mvo;
    MVOBJECT object{};
    const uint32_t status = mvo.LoadObject(path.c_str(), &object);
    if (mvo.CloseFile() != MVO_ERR_NOT_OPEN) std::abort();  // no path may leave the file open
    if (status == MVO_OK) checkRoundTrip(mvo, object);
    MVO_FreeObject(&object);
    ::unlink(path.c_str());
    ::unlink(scratchPath("out").c_str());
    return 0;
}
