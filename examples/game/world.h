// The world the glider flies through: the sky box, the terrain and its pine groves, the
// crystals to collect and the mines to avoid, the two lights, and the engine's intersection
// tests that tell when the glider touches something or which crystal is under the mouse.
#pragma once

#include "player.h"

#include <tovren/tovren.h>

#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace glider {

struct Pickup {
    TOVREN_fCoord3 position;
    bool alive = true;
};

constexpr size_t kCrystalCount = 60;
constexpr size_t kMineCount = 36;

// A small random number generator of our own, so that a seed gives the same world on every
// machine and library (the attract mode and its screenshot depend on that).
class Random {
public:
    explicit Random(uint32_t seed) : state_(seed * 2654435761u + 1) {}
    // Uniform in [low, high).
    float between(float low, float high);

private:
    uint32_t state_;
};

class World {
public:
    cTOVREN_Sky sky;
    cTOVREN_Model terrain;
    cTOVREN_Model crowns;  // the pine groves, drawn in two materials
    cTOVREN_Model trunks;
    cTOVREN_Model crystal;  // one mesh drawn at every crystal's place
    cTOVREN_Model mine;
    cTOVREN_Model glider;
    cTOVREN_Light sun;
    cTOVREN_Light lamp;  // a point light that travels with the glider
    std::vector<Pickup> crystals;
    std::vector<Pickup> mines;
    int32_t marked = -1;  // the crystal marked with the mouse, or -1
    float spin = 0;       // degrees: the crystals and mines turn slowly

    // Loads sky.xml and the models from the current folder and sets the lights up. An empty
    // string on success, otherwise what went wrong, naming the file.
    std::string load();
    void release();

    // Scatters the crystals and mines over the terrain, the same way for the same seed.
    void scatter(uint32_t seed);
    // Moves a collected crystal somewhere else, so that there is always something to find.
    void respawn(size_t index);
    void update(float seconds) { spin = std::fmod(spin + 60.0f * seconds, 360.0f); }

    // The height of the terrain's surface under (x, z), found by casting a ray down onto the
    // two triangles of the grid cell below. Outside the terrain its nearest edge counts.
    float groundHeight(float x, float z);
    // The ground or the pine crown above it, whichever is higher: the glider skims over the
    // groves instead of flying through them.
    float surfaceHeight(float x, float z);

    // The crystal or mine the glider touched while moving from `previous` to where it is now,
    // or -1. The glider is three lines (its path, its wings, its length); each is tested
    // against the model's triangles with cTOVREN_Intersection::IntersectedModel.
    int32_t touchedCrystal(const Glider& glider, TOVREN_fCoord3 previous);
    int32_t touchedMine(const Glider& glider, TOVREN_fCoord3 previous);

    // The nearest crystal still to be collected, or -1.
    int32_t nearestCrystal(TOVREN_fCoord3 from) const;
    // The nearest live mine within `reach` units, or -1.
    int32_t mineNear(TOVREN_fCoord3 from, float reach) const;

    // The nearest crystal under the screen point, through cTOVREN_Intersection::PickTriangle
    // with the device's current camera; -1 when none is.
    int32_t crystalUnder(int32_t x, int32_t y, uint16_t width, uint16_t height, TOVREN_fCoord3 eye);

    // The triangles drawn in a frame: terrain, forest, every crystal and mine, the glider.
    uint32_t triangleCount() const;

    // Switches between day (sun and lamp) and night (the glider's lamp alone).
    void toggleNight();
    bool night() const { return night_; }

    // One step of the attract mode: the autopilot flies to the nearest crystal and takes it.
    void attractStep(Glider& glider, float seconds);

    // Draws terrain, pickups, the glider and the sky as the camera sees them. The materials go
    // straight to the device (the engine's models carry no colour of their own). The sky comes
    // last, pushed to the far plane, so that it fills only the pixels nothing else covers
    // rather than the whole screen. The stages can also be drawn one by one, in this order,
    // as the benchmark times them; the terrain's stage includes its forest.
    void draw(IDirect3DDevice8* device, cTOVREN_Camera& camera, const Glider& player);
    void setUpView(cTOVREN_Camera& camera, const Glider& player);
    void drawTerrain(IDirect3DDevice8* device);
    void drawObjects(IDirect3DDevice8* device, const Glider& player);
    void drawSky(IDirect3DDevice8* device, cTOVREN_Camera& camera);

private:
    // The terrain grid cell under (x, z), row by row; outside the terrain the nearest one.
    static size_t cellAt(float x, float z);
    // The highest of the given faces that a ray cast straight down at (x, z) meets, or
    // -infinity when it meets none.
    float highestUnder(const cTOVREN_Model& model, std::span<const uint32_t> faces, float x, float z);
    // Lists each crown face under the cells that its outline covers, so that the height
    // under a point tests only the few faces above its cell.
    void indexCrowns();

    int32_t touched(const cTOVREN_Model& model, const std::vector<Pickup>& things, const Glider& glider,
                    TOVREN_fCoord3 previous);
    TOVREN_fCoord3 placeAbove(float x, float z, float low, float high);
    TOVREN_fCoord3 rotationOf(size_t index) const;

    cTOVREN_Intersection test_;
    std::vector<std::vector<uint32_t>> crownsByCell_;
    Random random_{1};
    bool night_ = false;
};

}  // namespace glider
