// pkg-config: mvobject limno
// Writes a one-triangle model, reads it back, and asks Limno for a reply from a port that
// nobody listens on, all against the installed libraries.
#include <limno/limno.h>
#include <mvobject/mvobject.h>

#include <cstdio>
#include <cstring>

int main() {
    float vertices[] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    float normals[] = {0, 0, 1, 0, 0, 1, 0, 0, 1};
    uint32_t faces[] = {0, 1, 2};
    MVOBJECT tri{};
    tri.VertexCount = 3;
    tri.FaceCount = 1;
    tri.Vertices = vertices;
    tri.Normals = normals;
    tri.Faces = faces;
    cMVO mvo;
    if (mvo.SaveSingleObject("client.mvo", tri) != MVO_OK) return 1;
    MVOBJECT back{};
    const bool loaded = mvo.LoadObject("client.mvo", &back) == MVO_OK && back.VertexCount == 3 &&
                        back.FaceCount == 1 && back.Faces[2] == 2 && back.Vertices[3] == 1.0f;
    MVO_FreeObject(&back);
    std::remove("client.mvo");
    if (!loaded) return 2;

    cLIMNO_SOCKET socket;
    socket.connectTimeoutMs = 2000;
    const bool refused = socket.Init("127.0.0.1:1") != LIMNO_OK;
    socket.Unlink();
    return refused && Limno_GetVersion == 0x8618 && std::strlen(Limno_Long2Hex(255)) > 0 ? 0 : 3;
}
