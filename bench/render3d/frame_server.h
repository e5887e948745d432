// Each renderer and thread setting draws in a child process of its own, because both read
// their thread count once per process: llvmpipe LP_NUM_THREADS when its context is created,
// the device KV_RASTER_THREADS when its workers start. The benchmark program starts itself
// with --serve RENDERER PART and asks the child for frames over a pipe; the child times each
// frame (wall clock, until the pixels are complete) and answers with the milliseconds.
#pragma once

#include "game_scene.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/types.h>

namespace kvbench {

constexpr const char* kServeFlag = "--serve";

enum class Renderer { Device, Engine, Llvmpipe };  // the engine draws through the device
const char* rendererName(Renderer renderer);

// One frame as the child measured it. The device also reports its stages (KV_RASTER_STATS),
// each summed over its worker threads.
struct FrameTimes {
    double ms = -1;  // negative when the child failed
    double cpuMs = 0;  // processor time of all the child's threads; on a busy machine
                       // the steadier figure for single-threaded runs
    bool staged = false;
    double transformLightMs = 0, setupMs = 0, fillMs = 0;
    double trianglesIn = 0, pixelsFilled = 0;
};

// The child's side. Returns the exit status.
int serveFrames(Renderer renderer, Part part);

class FrameServer {
public:
    // singleThreaded sets KV_RASTER_THREADS=1 or LP_NUM_THREADS=0; otherwise each renderer
    // picks its own threads (one per core).
    FrameServer(Renderer renderer, Part part, bool singleThreaded);
    ~FrameServer();
    FrameServer(const FrameServer&) = delete;
    FrameServer& operator=(const FrameServer&) = delete;

    // Empty when the child is ready to draw.
    const std::string& error() const { return error_; }
    const std::string& label() const { return label_; }
    // llvmpipe only: fragments passing the depth test, averaged over a few camera positions.
    uint64_t filledPixels() const { return filled_; }
    // Times of frame `frame`: wall clock from clear to complete pixels.
    FrameTimes frame(int frame);

private:
    pid_t pid_ = -1;
    FILE* toChild_ = nullptr;
    FILE* fromChild_ = nullptr;
    uint64_t filled_ = 0;
    std::string label_, error_;
};

}  // namespace kvbench
