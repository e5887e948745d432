#include "obj_import.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <sstream>
#include <utility>

namespace mvoconvert {
namespace {

using Vec3 = std::array<float, 3>;

// Zero-based element indices of one polygon corner; -1 when the corner has none.
struct Corner {
    int64_t position = -1;
    int64_t texCoord = -1;
    int64_t normal = -1;
};
using Triangle = std::array<Corner, 3>;

struct ObjData {
    std::vector<Vec3> positions;
    std::vector<Vec3> normals;
    std::vector<std::array<float, 2>> texCoords;
    std::vector<Triangle> triangles;
};

std::string lineError(size_t line, const std::string& what) { return "line " + std::to_string(line) + ": " + what; }

bool readFloats(std::istringstream& fields, float* out, int required, int count) {
    for (int i = 0; i < count; ++i) {
        std::string text;
        if (!(fields >> text)) return i >= required;
        char* end = nullptr;
        errno = 0;
        const float value = std::strtof(text.c_str(), &end);
        if (*end != '\0' || errno == ERANGE || !std::isfinite(value)) return false;
        out[i] = value;
    }
    return true;
}

// OBJ indices count from 1; negative ones count back from the last element defined so far.
bool resolveIndex(const std::string& text, size_t defined, int64_t& index) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || value == 0) return false;
    index = value > 0 ? value - 1 : static_cast<int64_t>(defined) + value;
    return index >= 0;
}

// "p", "p/t", "p//n" or "p/t/n".
bool readCorner(const std::string& text, const ObjData& data, Corner& corner) {
    const size_t first = text.find('/');
    const size_t second = first == std::string::npos ? std::string::npos : text.find('/', first + 1);
    if (!resolveIndex(text.substr(0, first), data.positions.size(), corner.position)) return false;
    if (first == std::string::npos) return true;
    const std::string tex = text.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    if (!tex.empty() && !resolveIndex(tex, data.texCoords.size(), corner.texCoord)) return false;
    if (second == std::string::npos) return !tex.empty();
    return resolveIndex(text.substr(second + 1), data.normals.size(), corner.normal);
}

bool readFace(std::istringstream& fields, ObjData& data) {
    std::vector<Corner> corners;
    std::string text;
    while (fields >> text) {
        Corner corner;
        if (!readCorner(text, data, corner)) return false;
        corners.push_back(corner);
    }
    if (corners.size() < 3) return false;
    for (size_t i = 1; i + 1 < corners.size(); ++i) data.triangles.push_back({corners[0], corners[i], corners[i + 1]});
    return true;
}

// Lines other than v, vn, vt and f (groups, materials, smoothing) do not matter to MVO.
bool readLine(const std::string& line, ObjData& data) {
    std::istringstream fields(line.substr(0, line.find('#')));
    std::string keyword;
    bool ok = true;
    if (!(fields >> keyword)) return true;
    if (keyword == "v") {
        Vec3 p{};
        ok = readFloats(fields, p.data(), 3, 3);
        data.positions.push_back(p);
    } else if (keyword == "vn") {
        Vec3 n{};
        ok = readFloats(fields, n.data(), 3, 3);
        data.normals.push_back(n);
    } else if (keyword == "vt") {
        std::array<float, 2> t{};
        ok = readFloats(fields, t.data(), 1, 2);
        data.texCoords.push_back(t);
    } else if (keyword == "f") {
        ok = readFace(fields, data);
    }
    return ok;
}

bool checkRanges(const ObjData& data, std::string& error) {
    for (const Triangle& triangle : data.triangles) {
        for (const Corner& c : triangle) {
            if (c.position >= int64_t(data.positions.size()) || c.texCoord >= int64_t(data.texCoords.size()) ||
                c.normal >= int64_t(data.normals.size())) {
                error = "a face refers to an element the file does not define";
                return false;
            }
        }
    }
    return true;
}

Vec3 normalized(const Vec3& v) {
    const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!(length > 0.0f) || !std::isfinite(length)) return {0.0f, 0.0f, 1.0f};
    return {v[0] / length, v[1] / length, v[2] / length};
}

// Area-weighted average of the face normals around each position.
std::vector<Vec3> smoothNormals(const ObjData& data) {
    std::vector<Vec3> sums(data.positions.size(), Vec3{});
    for (const Triangle& t : data.triangles) {
        const Vec3& a = data.positions[size_t(t[0].position)];
        const Vec3& b = data.positions[size_t(t[1].position)];
        const Vec3& c = data.positions[size_t(t[2].position)];
        const Vec3 u{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const Vec3 v{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const Vec3 cross{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        for (const Corner& corner : t) {
            for (int i = 0; i < 3; ++i) sums[size_t(corner.position)][size_t(i)] += cross[size_t(i)];
        }
    }
    for (Vec3& n : sums) n = normalized(n);
    return sums;
}

// MVO keeps one normal per vertex, so every distinct (position, normal) pair is a vertex.
void buildMesh(const ObjData& data, Mesh& mesh) {
    const std::vector<Vec3> smooth = smoothNormals(data);
    std::map<std::pair<int64_t, int64_t>, uint32_t> vertexOf;
    bool textured = false;
    for (const Triangle& t : data.triangles) {
        for (const Corner& c : t) textured = textured || c.texCoord >= 0;
    }
    for (const auto& t : data.texCoords) mesh.texCoords.insert(mesh.texCoords.end(), t.begin(), t.end());
    int64_t missingTexCoord = -1;  // one (0, 0) entry shared by corners that have none
    for (const Triangle& t : data.triangles) {
        for (const Corner& c : t) {
            const auto [it, added] = vertexOf.try_emplace({c.position, c.normal}, uint32_t(mesh.vertices.size() / 3));
            if (added) {
                const Vec3& p = data.positions[size_t(c.position)];
                const Vec3 n = c.normal >= 0 ? normalized(data.normals[size_t(c.normal)]) : smooth[size_t(c.position)];
                mesh.vertices.insert(mesh.vertices.end(), p.begin(), p.end());
                mesh.normals.insert(mesh.normals.end(), n.begin(), n.end());
            }
            mesh.faces.push_back(it->second);
            if (!textured) continue;
            int64_t tex = c.texCoord;
            if (tex < 0) {
                if (missingTexCoord < 0) {
                    missingTexCoord = int64_t(mesh.texCoords.size() / 2);
                    mesh.texCoords.insert(mesh.texCoords.end(), {0.0f, 0.0f});
                }
                tex = missingTexCoord;
            }
            mesh.texFaces.push_back(uint32_t(tex));
        }
    }
    if (!textured) mesh.texCoords.clear();
}

}  // namespace

MVOBJECT Mesh::record() {
    const bool textured = !texCoords.empty();
    return MVOBJECT{uint32_t(vertices.size() / 3), uint32_t(faces.size() / 3), uint32_t(texCoords.size() / 2),
                    vertices.data(),  normals.data(), faces.data(),
                    textured ? texCoords.data() : nullptr, textured ? texFaces.data() : nullptr};
}

bool importObj(std::istream& in, Mesh& mesh, std::string& error) {
    ObjData data;
    std::string line;
    for (size_t number = 1; std::getline(in, line); ++number) {
        if (!readLine(line, data)) {
            error = lineError(number, "cannot read \"" + line + "\"");
            return false;
        }
    }
    if (!checkRanges(data, error)) return false;
    mesh = Mesh{};
    buildMesh(data, mesh);
    constexpr size_t kMaxCount = std::numeric_limits<uint32_t>::max();
    if (mesh.vertices.size() / 3 < 3 || mesh.faces.empty()) {
        error = "the file has fewer than 3 vertices or no faces; an MVO object needs both";
        return false;
    }
    if (mesh.vertices.size() / 3 > kMaxCount || mesh.faces.size() / 3 > kMaxCount ||
        mesh.texCoords.size() / 2 > kMaxCount) {
        error = "the mesh is too large for an MVO file";
        return false;
    }
    return true;
}

}  // namespace mvoconvert
