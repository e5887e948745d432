// The size of the glider game's world, shared by the game and the tool that writes its
// terrain model.
#pragma once

namespace glider {

constexpr int kTerrainCells = 80;           // cells along each side of the terrain grid
constexpr float kTerrainCellSize = 16.0f;   // units a cell
constexpr float kWorldHalf = kTerrainCells * kTerrainCellSize / 2;  // the terrain spans -half..+half
// Crystals and mines lie inside |x|, |z| < kPlayHalf, and the glider turns back beyond it,
// so that the terrain's edge stays out of sight.
constexpr float kPlayHalf = kWorldHalf - 140;

}  // namespace glider
