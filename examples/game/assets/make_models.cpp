// Writes the generated models of the glider game as Wavefront OBJ text into the folder named
// on the command line; the build turns them into MVO files with mvoconvert. The glider and
// the crystal are small enough to keep by hand (glider.obj, crystal.obj beside this tool).
//
//   terrain.obj  rolling hills with a river valley, a grid of kTerrainCells x kTerrainCells
//   mine.obj     a floating mine: an octahedron with six spikes
//
// OBJ counts vertices from 1. Front faces are the ones whose corners run clockwise as the
// viewer sees them (the engine culls the others), so every face below is listed that way.
#include "../world_size.h"

#include <cmath>
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

// Writes the triangle so that it faces away from the origin: its corners run clockwise seen
// from outside exactly when (b - a) x (c - a) points outwards, in the engine's left-handed
// coordinates. Fine for shapes that are star-shaped round the origin, like the mine.
void outwardFace(FILE* out, const std::vector<Vec>& v, int a, int b, int c) {
    const Vec centre{(v[a].x + v[b].x + v[c].x) / 3, (v[a].y + v[b].y + v[c].y) / 3, (v[a].z + v[b].z + v[c].z) / 3};
    if (dot(cross(v[b] - v[a], v[c] - v[a]), centre) < 0) std::swap(b, c);
    std::fprintf(out, "f %d %d %d\n", a + 1, b + 1, c + 1);
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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_models FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];
    if (!writeTerrain(dir + "/terrain.obj") || !writeMine(dir + "/mine.obj")) {
        std::fprintf(stderr, "make_models: cannot write the models into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
