#include <tovren/sky.h>

#include <tovren/debug.h>

#include "device_set.h"
#include "placement.h"

#include <platform/textfile.h>

#include <tinyxml.h>

#include <cstring>
#include <string>

using tovren::devices;
using tovren::releaseAndClear;

namespace {

constexpr uint32_t kWrongType = 0xFFFFFFFF;
constexpr size_t kMaxTextureName = 259;
constexpr uint32_t kBoxBytes = TOVREN_SKY_VERTEX_COUNT * TOVREN_SKY_VERTEX_SIZE;

// The box of every sky object.
IDirect3DVertexBuffer8*& sharedBox() {
    static IDirect3DVertexBuffer8* box = nullptr;
    return box;
}

struct SkyVertex {
    float x, y, z, u, v;
};
static_assert(sizeof(SkyVertex) == TOVREN_SKY_VERTEX_SIZE);

// Each corner as signs of the half-size, and whether u and v take the far end (1 - s).
struct Corner {
    int8_t x, y, z;
    bool farU, farV;
};

constexpr Corner kCorners[TOVREN_SKY_VERTEX_COUNT] = {
    {-1, 1, 1, false, false},   {1, 1, 1, true, false},    {-1, -1, 1, false, true},  {1, -1, 1, true, true},    // front
    {1, 1, -1, false, false},   {-1, 1, -1, true, false},  {1, -1, -1, false, true},  {-1, -1, -1, true, true},  // back
    {-1, 1, -1, false, false},  {-1, 1, 1, true, false},   {-1, -1, -1, false, true}, {-1, -1, 1, true, true},   // left
    {1, 1, 1, false, false},    {1, 1, -1, true, false},   {1, -1, 1, false, true},   {1, -1, -1, true, true},   // right
    {-1, 1, -1, true, true},    {1, 1, -1, false, true},   {-1, 1, 1, true, false},   {1, 1, 1, false, false},   // top
    {-1, -1, 1, true, true},    {1, -1, 1, false, true},   {-1, -1, -1, true, false}, {1, -1, -1, false, false}, // bottom
};

void fillBox(float d, float s, SkyVertex* out) {
    for (const Corner& c : kCorners) {
        *out++ = SkyVertex{c.x * d, c.y * d, c.z * d, c.farU ? 1.0f - s : s, c.farV ? 1.0f - s : s};
    }
}

// Only regular files of a bounded size and nesting reach the recursive parser.
bool loadXml(const char* name, TiXmlDocument& document) {
    std::string text;
    if (!name || platform::readXmlFile(name, text) != platform::TextFileStatus::Ok) return false;
    document.Parse(text.c_str());
    return !document.Error();
}

double numberAttribute(const TiXmlElement& element, const char* name) {
    double value = 0.0;
    return element.QueryDoubleAttribute(name, &value) == TIXML_SUCCESS ? value : 0.0;
}

struct PlaneEntry {
    std::string texture;
    double displacement = 0.0;
};

uint32_t readPlane(const TiXmlElement& root, const char* elementName, PlaneEntry& out) {
    const TiXmlElement* plane = root.FirstChildElement(elementName);
    const char* texture = plane ? plane->Attribute("texture") : nullptr;
    if (!texture) return TOVREN_ERR_XML_GROUP;
    if (std::strlen(texture) > kMaxTextureName) return TOVREN_ERR_WRONG_FILE_NAME;
    out.texture = texture;
    out.displacement = numberAttribute(*plane, "displacement");
    return TOVREN_OK;
}

}  // namespace

cTOVREN_Sky::~cTOVREN_Sky() = default;

uint32_t cTOVREN_Sky::Create(uint8_t kind, float distance, float displacement) {
    if (kind != TOVREN_SKY_BOX) return TOVREN_OK;
    IDirect3DVertexBuffer8*& box = sharedBox();
    releaseAndClear(box);
    IDirect3DDevice8* device = devices().device;
    if (!device ||
        FAILED(device->CreateVertexBuffer(kBoxBytes, D3DUSAGE_WRITEONLY, TOVREN_SKY_FVF, D3DPOOL_MANAGED, &box))) {
        box = nullptr;
        return TOVREN_ERR_D3D_VERTEX_BUFFER;
    }
    SkyVertex vertices[TOVREN_SKY_VERTEX_COUNT];
    fillBox(distance, displacement, vertices);
    BYTE* data = nullptr;
    if (FAILED(box->Lock(0, kBoxBytes, &data, 0)) || !data) return TOVREN_ERR_D3D_VERTEX_BUFFER;
    std::memcpy(data, vertices, kBoxBytes);
    box->Unlock();
    return TOVREN_OK;
}

uint32_t cTOVREN_Sky::Box_LoadPlanesFromFile(const char* frontFile, const char* backFile, const char* leftFile,
                                             const char* rightFile, const char* topFile, const char* bottomFile) {
    const std::pair<cTOVREN_Texture*, const char*> planes[] = {{&front, frontFile}, {&back, backFile},
                                                               {&left, leftFile},   {&right, rightFile},
                                                               {&top, topFile},     {&bottom, bottomFile}};
    for (const auto& [texture, file] : planes) {
        if (const uint32_t status = texture->LoadFromFile(file, false)) return status;
    }
    return TOVREN_OK;
}

uint32_t cTOVREN_Sky::LoadSkyAmbientFromXML(const char* fileName) {
    TiXmlDocument document;
    if (!loadXml(fileName, document)) return TOVREN_ERR_OPEN_FILE;
    const TiXmlElement* root = document.FirstChildElement("SkyAmbient");
    if (!root) return TOVREN_ERR_XML_FORMAT;
    const TiXmlElement* sky = root->FirstChildElement("Sky");
    if (!sky) return TOVREN_ERR_XML_GROUP;
    const char* type = sky->Attribute("type");
    if (!type) type = "";
    const double distance = numberAttribute(*sky, "distance");
    if (std::strncmp("BOX", type, std::strlen(type)) != 0) return kWrongType;

    static const char* const kPlaneNames[] = {"FrontPlane", "BackPlane", "LeftPlane",
                                              "RightPlane", "TopPlane",  "BottomPlane"};
    PlaneEntry planes[6];
    for (int i = 0; i < 6; ++i) {
        if (const uint32_t status = readPlane(*root, kPlaneNames[i], planes[i])) return status;
    }
    if (const uint32_t status =
            Box_LoadPlanesFromFile(planes[0].texture.c_str(), planes[1].texture.c_str(), planes[2].texture.c_str(),
                                   planes[3].texture.c_str(), planes[4].texture.c_str(), planes[5].texture.c_str())) {
        return status;
    }
    return Create(TOVREN_SKY_BOX, static_cast<float>(distance), static_cast<float>(planes[0].displacement));
}

void cTOVREN_Sky::Draw(TOVREN_fCoord3 viewAngles) {
    IDirect3DDevice8* device = devices().device;
    if (!device) return;
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    D3DXMATRIX identity;
    device->SetTransform(D3DTS_WORLD, D3DXMatrixIdentity(&identity));
    const D3DXMATRIX view = tovren::viewMatrix(viewAngles, true, TOVREN_fCoord3{0.0f, 0.0f, 0.0f});
    device->SetTransform(D3DTS_VIEW, &view);
    IDirect3DVertexBuffer8* box = sharedBox();
    if (!box) return;

    cTOVREN_Texture* const planes[] = {&front, &back, &left, &right, &top, &bottom};
    device->SetVertexShader(TOVREN_SKY_FVF);
    device->SetStreamSource(0, box, TOVREN_SKY_VERTEX_SIZE);
    for (UINT i = 0; i < 6; ++i) {
        planes[i]->Bind();
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 4 * i, 2);
    }
}

void cTOVREN_Sky::Release() {
    for (cTOVREN_Texture* plane : {&front, &back, &left, &right, &top, &bottom}) plane->Release();
    releaseAndClear(sharedBox());
}
