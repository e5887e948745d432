// Writes the generated models of the glider game as Wavefront OBJ text into the folder named
// on the command line; the build turns them into MVO files with mvoconvert. The glider and
// the crystal are small enough to keep by hand (glider.obj, crystal.obj beside this tool).
//
//   terrain.obj  rolling hills with a river valley, a grid of kTerrainCells x kTerrainCells
//   mine.obj     a floating mine: an octahedron with six spikes
//   crowns.obj   the pine crowns of the groves on the hills, and
//   trunks.obj   their trunks: two models, as each model is drawn in one material
//
// OBJ counts vertices from 1. Front faces are the ones whose corners run clockwise as the
// viewer sees them (the engine culls the others), so every face below is listed that way.
#include "../world_size.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

// The height of the ground at (x, z): a few long waves and a valley along the z axis where
// the game starts. Only this tool knows the formula; the game reads the heights back from
// the model's triangles.
double groundHeight(double x, double z) {
    const double hills = 22 * std::sin(x * 0.011) * std::cos(z * 0.009) + 12 * std::sin(x * 0.023 + z * 0.017) +
                         5 * std::cos(x * 0.051 - z * 0.043);
    const double valley = std::exp(-(x * x) / (2 * 90.0 * 90.0));  // 1 along x = 0
    return hills * (1 - 0.7 * valley) - 18 * valley + 10;
}

bool writeTerrain(const std::string& path) {
    FILE* out = std::fopen(path.c_str(), "w");
    if (!out) return false;
    const int n = glider::kTerrainCells;
    const double cell = glider::kTerrainCellSize, half = n * cell / 2;
    std::fprintf(out, "# Terrain of the glider game: %d x %d cells of %g units, y up.\n", n, n, cell);
    for (int row = 0; row <= n; ++row) {
        for (int col = 0; col <= n; ++col) {
            const double x = col * cell - half, z = row * cell - half;
            std::fprintf(out, "v %g %.3f %g\n", x, groundHeight(x, z), z);
        }
    }
    // Corners of each cell: (col, row), (col, row+1), (col+1, row+1), (col+1, row) runs
    // clockwise seen from above, so the faces look up.
    for (int row = 0; row < n; ++row) {
        for (int col = 0; col < n; ++col) {
            const int a = row * (n + 1) + col + 1;
            std::fprintf(out, "f %d %d %d %d\n", a, a + n + 1, a + n + 2, a + 1);
        }
    }
    return std::fclose(out) == 0;
}

struct Vec {
    double x, y, z;
};

Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Writes the triangle so that it faces away from `centre`: its corners run clockwise seen
// from outside exactly when (b - a) x (c - a) points outwards, in the engine's left-handed
// coordinates. Fine for shapes that are star-shaped round the centre, like the mine or a cone.
// `first` is the OBJ number of v[0].
void outwardFace(FILE* out, const std::vector<Vec>& v, int a, int b, int c, Vec centre = {0, 0, 0}, int first = 1) {
    const Vec middle{(v[a].x + v[b].x + v[c].x) / 3, (v[a].y + v[b].y + v[c].y) / 3, (v[a].z + v[b].z + v[c].z) / 3};
    if (dot(cross(v[b] - v[a], v[c] - v[a]), middle - centre) < 0) std::swap(b, c);
    std::fprintf(out, "f %d %d %d\n", a + first, b + first, c + first);
}

// An octahedron of radius 3 with a thin three-sided spike out of each of its six tips.
bool writeMine(const std::string& path) {
    FILE* out = std::fopen(path.c_str(), "w");
    if (!out) return false;
    std::fprintf(out, "# A floating mine of the glider game: radius 3 with spikes to 6.\n");
    const Vec axes[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    std::vector<Vec> v;
    for (const Vec& a : axes) v.push_back({3 * a.x, 3 * a.y, 3 * a.z});  // tips 0-5
    for (const Vec& a : axes) v.push_back({6 * a.x, 6 * a.y, 6 * a.z});  // spike points 6-11
    for (int tip = 0; tip < 6; ++tip) {  // three base corners a spike, 12 on
        const Vec a = axes[tip], u{a.y + a.z, 0, a.x}, w = cross(a, u);
        for (int k = 0; k < 3; ++k) {
            const double c = 0.8 * std::cos(k * 2.0943951), s = 0.8 * std::sin(k * 2.0943951);
            v.push_back({2.6 * a.x + c * u.x + s * w.x, 2.6 * a.y + c * u.y + s * w.y, 2.6 * a.z + c * u.z + s * w.z});
        }
    }
    for (const Vec& p : v) std::fprintf(out, "v %g %g %g\n", p.x, p.y, p.z);
    // One face per octant: a tip of each axis.
    for (int x = 0; x < 2; ++x)
        for (int y = 2; y < 4; ++y)
            for (int z = 4; z < 6; ++z) outwardFace(out, v, x, y, z);
    for (int tip = 0; tip < 6; ++tip) {
        const int base = 12 + 3 * tip;
        for (int k = 0; k < 3; ++k) outwardFace(out, v, base + k, base + (k + 1) % 3, 6 + tip);
    }
    return std::fclose(out) == 0;
}


// One OBJ file written a convex part at a time; each part's faces are turned to face away
// from a point inside it, and OBJ numbers continue from part to part.
class PartWriter {
public:
    explicit PartWriter(FILE* out) : out_(out) {}
    void part(const std::vector<Vec>& v, const std::vector<std::array<int, 3>>& faces, Vec inside) {
        for (const Vec& p : v) std::fprintf(out_, "v %.3f %.3f %.3f\n", p.x, p.y, p.z);
        for (const auto& f : faces) outwardFace(out_, v, f[0], f[1], f[2], inside, written_ + 1);
        written_ += static_cast<int>(v.size());
    }

private:
    FILE* out_;
    int written_ = 0;
};

constexpr int kCrownSides = 6;
constexpr int kTrunkSides = 4;

// `sides` points round the vertical line through (x, z), at height y.
void ring(std::vector<Vec>& v, double x, double y, double z, double radius, int sides) {
    for (int k = 0; k < sides; ++k) {
        const double a = k * 6.283185307 / sides;
        v.push_back({x + radius * std::cos(a), y, z + radius * std::sin(a)});
    }
}

// A cone standing on (x, y, z) with its base closed: the tiers of a pine's crown.
void cone(PartWriter& out, double x, double y, double z, double radius, double height) {
    std::vector<Vec> v;
    ring(v, x, y, z, radius, kCrownSides);
    v.push_back({x, y + height, z});
    std::vector<std::array<int, 3>> faces;
    for (int k = 0; k < kCrownSides; ++k) faces.push_back({k, (k + 1) % kCrownSides, kCrownSides});
    for (int k = 1; k + 1 < kCrownSides; ++k) faces.push_back({0, k, k + 1});
    out.part(v, faces, {x, y + height / 4, z});
}

// The sides of an upright prism from y0 to y1 (its ends are hidden in the ground and the crown).
void trunk(PartWriter& out, double x, double y0, double y1, double z, double radius) {
    std::vector<Vec> v;
    ring(v, x, y0, z, radius, kTrunkSides);
    ring(v, x, y1, z, radius, kTrunkSides);
    std::vector<std::array<int, 3>> faces;
    for (int k = 0; k < kTrunkSides; ++k) {
        const int next = (k + 1) % kTrunkSides;
        faces.push_back({k, next, kTrunkSides + next});
        faces.push_back({k, kTrunkSides + next, kTrunkSides + k});
    }
    out.part(v, faces, {x, (y0 + y1) / 2, z});
}

// Groves of pines on the hills, away from the valley where the game starts: 21 groves of
// 10 trees, 28 triangles a tree. The same numbers give the same forest on every build.
bool writeForest(const std::string& crownsPath, const std::string& trunksPath) {
    FILE* crownsFile = std::fopen(crownsPath.c_str(), "w");
    FILE* trunksFile = std::fopen(trunksPath.c_str(), "w");
    bool ok = crownsFile && trunksFile;
    if (ok) {
        std::fprintf(crownsFile, "# The pine crowns of the glider game's groves.\n");
        std::fprintf(trunksFile, "# The pine trunks of the glider game's groves.\n");
        PartWriter crowns(crownsFile), trunks(trunksFile);
        uint32_t state = 7;
        auto between = [&state](double low, double high) {
            state = state * 1664525u + 1013904223u;
            return low + (high - low) * (state >> 8) / 16777216.0;
        };
        const double limit = glider::kWorldHalf - 30;
        for (int grove = 0; grove < 21; ++grove) {
            double gx = between(-limit, limit);
            if (std::abs(gx) < 130) gx = std::copysign(130 + std::abs(gx), gx);  // keep the valley clear
            const double gz = between(-limit, limit);
            for (int tree = 0; tree < 10; ++tree) {
                const double x = gx + between(-45, 45), z = gz + between(-45, 45), size = between(0.8, 1.3);
                const double ground = groundHeight(x, z);
                trunk(trunks, x, ground - 1, ground + 4 * size, z, 0.6 * size);
                cone(crowns, x, ground + 2.5 * size, z, 3.4 * size, 6 * size);
                cone(crowns, x, ground + 5.5 * size, z, 2.4 * size, 5 * size);
            }
        }
    }
    if (crownsFile) ok = std::fclose(crownsFile) == 0 && ok;
    if (trunksFile) ok = std::fclose(trunksFile) == 0 && ok;
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_models FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];
    if (!writeTerrain(dir + "/terrain.obj") || !writeMine(dir + "/mine.obj") ||
        !writeForest(dir + "/crowns.obj", dir + "/trunks.obj")) {
        std::fprintf(stderr, "make_models: cannot write the models into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
