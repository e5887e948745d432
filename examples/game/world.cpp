#include "world.h"

#include "status.h"
#include "world_size.h"

#include <mvobject/mvobject.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace glider {

namespace {

// Model loads pass MVObject's own codes through; the rest are the engine's.
std::string modelStatusText(uint32_t status) {
    switch (status) {
    case MVO_ERR_OPEN: return "cannot be opened";
    case MVO_ERR_MAGIC: return "not an MVO file";
    case MVO_ERR_READ: return "the file ends before its data";
    default: return statusText(status);
    }
}

D3DMATERIAL8 material(float r, float g, float b, float glow) {
    D3DMATERIAL8 m{};
    m.Diffuse = D3DCOLORVALUE{r, g, b, 1};
    m.Ambient = m.Diffuse;
    m.Emissive = D3DCOLORVALUE{r * glow, g * glow, b * glow, 1};
    return m;
}

const D3DMATERIAL8 kGround = material(0.42f, 0.58f, 0.30f, 0);
const D3DMATERIAL8 kPine = material(0.16f, 0.36f, 0.20f, 0);
const D3DMATERIAL8 kBark = material(0.40f, 0.28f, 0.18f, 0);
const D3DMATERIAL8 kCrystal = material(0.35f, 0.85f, 1.0f, 0.45f);
const D3DMATERIAL8 kMarkedCrystal = material(1.0f, 0.85f, 0.25f, 0.7f);
const D3DMATERIAL8 kMine = material(0.75f, 0.18f, 0.15f, 0.15f);
const D3DMATERIAL8 kGlider = material(0.95f, 0.95f, 0.9f, 0.35f);

TOVREN_LIGHT lightRecord(uint32_t kind, TOVREN_fCoord3 direction, TOVREN_RGB diffuse, float range) {
    TOVREN_LIGHT light{};
    light.kind = kind;
    light.direction = direction;
    light.diffuse = diffuse;
    light.range = range;
    return light;
}

D3DXVECTOR3 vec(const TOVREN_fCoord3& c) { return D3DXVECTOR3(c.x, c.y, c.z); }
cTOVREN_Vector3 relative(TOVREN_fCoord3 p, TOVREN_fCoord3 origin) {
    return {p.x - origin.x, p.y - origin.y, p.z - origin.z};
}
float distanceSquared(TOVREN_fCoord3 a, TOVREN_fCoord3 b) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return dx * dx + dy * dy + dz * dz;
}

}  // namespace

float Random::between(float low, float high) {
    state_ = state_ * 1664525u + 1013904223u;
    return low + (high - low) * static_cast<float>(state_ >> 8) / 16777216.0f;
}

std::string World::load() {
    const std::string here = std::filesystem::current_path().string() + "/";
    if (const uint32_t status = sky.LoadSkyAmbientFromXML("sky.xml")) {
        return "cannot load the sky " + here + "sky.xml or one of its textures: " + statusText(status);
    }
    struct Mesh {
        cTOVREN_Model* model;
        const char* file;
    };
    for (const Mesh& mesh : {Mesh{&terrain, "terrain.mvo"}, Mesh{&crowns, "crowns.mvo"}, Mesh{&trunks, "trunks.mvo"},
                             Mesh{&crystal, "crystal.mvo"}, Mesh{&mine, "mine.mvo"}, Mesh{&glider, "glider.mvo"}}) {
        if (const uint32_t status = mesh.model->Load(mesh.file)) {
            return "cannot load the model " + here + mesh.file + ": " + modelStatusText(status);
        }
    }
    indexCrowns();
    // Light 0 is the sun, low in the south-west so the hills cast long shades; light 1 the
    // glider's lamp, moved with it every frame. The ambient light keeps shaded slopes visible.
    sun.Create(0, lightRecord(TOVREN_LIGHT_DIRECTIONAL, {0.5f, -0.6f, 0.6f}, {1.0f, 0.92f, 0.78f}, 0));
    lamp.Create(1, lightRecord(TOVREN_LIGHT_POINT, {0, 0, 0}, {0.8f, 0.6f, 0.3f}, 60));
    lamp.light.Attenuation0 = 0.2f;
    lamp.light.Attenuation1 = 0.06f;
    sun.PrepareAndRestore();
    lamp.PrepareAndRestore();
    sun.SetAmbientLight({0.28f, 0.28f, 0.34f});
    return {};
}

void World::release() {
    glider.Delete();
    mine.Delete();
    crystal.Delete();
    trunks.Delete();
    crowns.Delete();
    crownsByCell_.clear();
    terrain.Delete();
    sky.Release();
}

TOVREN_fCoord3 World::placeAbove(float x, float z, float low, float high) {
    return {x, groundHeight(x, z) + random_.between(low, high), z};
}

void World::scatter(uint32_t seed) {
    random_ = Random(seed);
    const float edge = kPlayHalf;
    crystals.assign(kCrystalCount, Pickup{});
    mines.assign(kMineCount, Pickup{});
    for (size_t i = 0; i < crystals.size(); ++i) respawn(i);
    for (Pickup& m : mines) m.position = placeAbove(random_.between(-edge, edge), random_.between(-edge, edge), 6, 30);
    marked = -1;
}

void World::respawn(size_t index) {
    const float edge = kPlayHalf;
    crystals[index].position = placeAbove(random_.between(-edge, edge), random_.between(-edge, edge), 8, 28);
    crystals[index].alive = true;
    if (marked == static_cast<int32_t>(index)) marked = -1;
}

float World::groundHeight(float x, float z) {
    const float limit = kWorldHalf - 0.01f;
    x = std::clamp(x, -limit, limit);
    z = std::clamp(z, -limit, limit);
    // Each grid cell is one quad of the terrain file, which mvoconvert splits into two
    // triangles in the same order: faces 2k and 2k + 1 cover cell k.
    const uint32_t first = 2 * static_cast<uint32_t>(cellAt(x, z));
    const uint32_t cell[] = {first, first + 1};
    const float height = highestUnder(terrain, cell, x, z);
    return std::isfinite(height) ? height : 0;  // only when the model is not the terrain the tool wrote
}

float World::surfaceHeight(float x, float z) {
    const float ground = groundHeight(x, z);
    if (std::fabs(x) >= kWorldHalf || std::fabs(z) >= kWorldHalf || crownsByCell_.empty()) return ground;
    return std::max(ground, highestUnder(crowns, crownsByCell_[cellAt(x, z)], x, z));
}

void World::indexCrowns() {
    crownsByCell_.assign(size_t(kTerrainCells) * kTerrainCells, {});
    for (uint32_t f = 0; f < crowns.faceCount; ++f) {
        float x0 = INFINITY, z0 = INFINITY, x1 = -INFINITY, z1 = -INFINITY;
        for (const uint32_t v : crowns.faces[f].vertex) {
            x0 = std::min(x0, crowns.vertices[v].x), x1 = std::max(x1, crowns.vertices[v].x);
            z0 = std::min(z0, crowns.vertices[v].z), z1 = std::max(z1, crowns.vertices[v].z);
        }
        const size_t first = cellAt(x0, z0), last = cellAt(x1, z1);
        for (size_t row = first / kTerrainCells; row <= last / kTerrainCells; ++row)
            for (size_t col = first % kTerrainCells; col <= last % kTerrainCells; ++col)
                crownsByCell_[row * kTerrainCells + col].push_back(f);
    }
}

size_t World::cellAt(float x, float z) {
    auto index = [](float at) {
        // fmax and fmin, unlike clamp, also take a position that is no number to a cell.
        return static_cast<size_t>(std::fmin(std::fmax((at + kWorldHalf) / kTerrainCellSize, 0.0f), kTerrainCells - 1.0f));
    };
    return index(z) * kTerrainCells + index(x);
}

float World::highestUnder(const cTOVREN_Model& model, std::span<const uint32_t> faces, float x, float z) {
    const D3DXVECTOR3 origin(x, 1000.0f, z), down(0, -1, 0);
    float highest = -INFINITY;
    for (const uint32_t f : faces) {
        if (f >= model.faceCount) continue;
        const TOVREN_FACE& face = model.faces[f];
        float t = 0, u = 0, v = 0;
        if (test_.IntersectTriangle(origin, down, vec(model.vertices[face.vertex[0]]), vec(model.vertices[face.vertex[1]]),
                                    vec(model.vertices[face.vertex[2]]), &t, &u, &v))
            highest = std::max(highest, origin.y - t);
    }
    return highest;
}

TOVREN_fCoord3 World::rotationOf(size_t index) const {
    return {0, spin + static_cast<float>(index) * 37.0f, 0};
}

int32_t World::touched(const cTOVREN_Model& model, const std::vector<Pickup>& things, const Glider& player,
                       TOVREN_fCoord3 previous) {
    const TOVREN_fCoord3 nose = player.pointAt(0, 0, 6.5f), tail = player.pointAt(0, 0, -3);
    const TOVREN_fCoord3 left = player.pointAt(-6, 0, -3), right = player.pointAt(6, 0, -3);
    const TOVREN_fCoord3 lines[3][2] = {{previous, nose}, {left, right}, {tail, nose}};
    // Only things within reach of the lines are worth the triangle tests: the glider's size
    // and the way it came this frame.
    const float reach = 20.0f + std::sqrt(distanceSquared(previous, player.position));
    for (size_t i = 0; i < things.size(); ++i) {
        if (!things[i].alive || distanceSquared(things[i].position, player.position) > reach * reach) continue;
        cTOVREN_Model placed = model;
        placed.rotation = rotationOf(i);
        for (const auto& line : lines) {
            const cTOVREN_Vector3 ends[2] = {relative(line[0], things[i].position), relative(line[1], things[i].position)};
            if (test_.IntersectedModel(placed, ends)) return static_cast<int32_t>(i);
        }
    }
    return -1;
}

int32_t World::touchedCrystal(const Glider& player, TOVREN_fCoord3 previous) {
    return touched(crystal, crystals, player, previous);
}

int32_t World::touchedMine(const Glider& player, TOVREN_fCoord3 previous) {
    return touched(mine, mines, player, previous);
}

namespace {

int32_t nearest(const std::vector<Pickup>& things, TOVREN_fCoord3 from, float reach) {
    int32_t best = -1;
    float bestDistance = reach * reach;
    for (size_t i = 0; i < things.size(); ++i) {
        const float d = distanceSquared(things[i].position, from);
        if (things[i].alive && d < bestDistance) {
            best = static_cast<int32_t>(i);
            bestDistance = d;
        }
    }
    return best;
}

}  // namespace

int32_t World::nearestCrystal(TOVREN_fCoord3 from) const { return nearest(crystals, from, 1e9f); }

int32_t World::mineNear(TOVREN_fCoord3 from, float reach) const { return nearest(mines, from, reach); }

int32_t World::crystalUnder(int32_t x, int32_t y, uint16_t width, uint16_t height, TOVREN_fCoord3 eye) {
    int32_t nearest = -1;
    float nearestDistance = 0;
    for (size_t i = 0; i < crystals.size(); ++i) {
        if (!crystals[i].alive) continue;
        cTOVREN_Model placed = crystal;
        placed.position = crystals[i].position;
        placed.rotation = rotationOf(i);
        if (!test_.PickTriangle(placed, x, y, width, height)) continue;
        const float d = distanceSquared(eye, crystals[i].position);
        if (nearest < 0 || d < nearestDistance) {
            nearest = static_cast<int32_t>(i);
            nearestDistance = d;
        }
    }
    return nearest;
}

uint32_t World::triangleCount() const {
    return terrain.faceCount + crowns.faceCount + trunks.faceCount +
           static_cast<uint32_t>(kCrystalCount * crystal.faceCount + kMineCount * mine.faceCount) + glider.faceCount;
}

void World::toggleNight() {
    night_ = !night_;
    sun.Switch(!night_);
    sun.SetAmbientLight(night_ ? TOVREN_RGB{0.12f, 0.12f, 0.2f} : TOVREN_RGB{0.28f, 0.28f, 0.34f});
}

void World::attractStep(Glider& player, float seconds) {
    const TOVREN_fCoord3 previous = player.pointAt(0, 0, 6.5f);
    const int32_t target = nearestCrystal(player.position);
    player.fly(target >= 0 ? autopilot(player, crystals[target].position) : PilotInput{}, seconds);
    player.keepAbove(surfaceHeight(player.position.x, player.position.z));
    player.stayInside(kPlayHalf, seconds);
    if (const int32_t hit = touchedCrystal(player, previous); hit >= 0) respawn(hit);
}

void World::draw(IDirect3DDevice8* device, cTOVREN_Camera& camera, const Glider& player) {
    setUpView(camera, player);
    drawTerrain(device);
    drawObjects(device, player);
    drawSky(device, camera);
}

void World::setUpView(cTOVREN_Camera& camera, const Glider& player) {
    // The sky of the last frame left lighting off; the camera and the lights set the scene up.
    camera.Apply();
    sun.UseLighting(true);
    // The lamp sits a little above the glider so that it lights the ground below.
    lamp.light.Position = D3DVECTOR{player.position.x, player.position.y + 4, player.position.z};
    lamp.Apply();
}

void World::drawSky(IDirect3DDevice8* device, cTOVREN_Camera& camera) {
    // A viewport whose depth range is the far plane alone puts every sky pixel at depth 1, so
    // the depth test keeps the sky behind everything drawn before it; those pixels cost a
    // depth comparison instead of four texel reads.
    D3DVIEWPORT8 scene{};
    device->GetViewport(&scene);
    D3DVIEWPORT8 far = scene;
    far.MinZ = far.MaxZ = 1.0f;
    device->SetViewport(&far);
    sky.Draw(camera.viewAngles);
    device->SetViewport(&scene);
    // The sky's view turns but does not move; picking with the mouse reads the device's view,
    // so the camera's goes back.
    camera.Apply();
}

void World::drawTerrain(IDirect3DDevice8* device) {
    device->SetMaterial(&kGround);
    terrain.Draw({0, 0, 0}, {0, 0, 0});
    device->SetMaterial(&kPine);
    crowns.Draw({0, 0, 0}, {0, 0, 0});
    device->SetMaterial(&kBark);
    trunks.Draw({0, 0, 0}, {0, 0, 0});
}

void World::drawObjects(IDirect3DDevice8* device, const Glider& player) {
    for (size_t i = 0; i < crystals.size(); ++i) {
        if (!crystals[i].alive) continue;
        device->SetMaterial(static_cast<int32_t>(i) == marked ? &kMarkedCrystal : &kCrystal);
        crystal.Draw(crystals[i].position, rotationOf(i));
    }
    device->SetMaterial(&kMine);
    for (size_t i = 0; i < mines.size(); ++i) {
        if (mines[i].alive) mine.Draw(mines[i].position, rotationOf(i));
    }
    device->SetMaterial(&kGlider);
    glider.Draw(player.position, player.rotation());
}

}  // namespace glider
