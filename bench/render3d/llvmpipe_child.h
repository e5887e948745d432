// Mesa's llvmpipe as the speed peer. llvmpipe reads LP_NUM_THREADS once, when its context is
// created, so each thread setting runs the GL side in a child process of its own: the
// benchmark program starts itself with --llvmpipe PART and asks it for frames over a pipe.
#pragma once

#include "game_scene.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/types.h>

namespace kvbench {

constexpr const char* kChildFlag = "--llvmpipe";

// The child's side: draws frames of `part` on request. Returns the exit status.
int serveLlvmpipeFrames(Part part);

class LlvmpipeProcess {
public:
    // singleThreaded sets LP_NUM_THREADS=0, otherwise llvmpipe picks its threads (one per core).
    LlvmpipeProcess(Part part, bool singleThreaded);
    ~LlvmpipeProcess();
    LlvmpipeProcess(const LlvmpipeProcess&) = delete;
    LlvmpipeProcess& operator=(const LlvmpipeProcess&) = delete;

    // Empty when the child is ready to draw.
    const std::string& error() const { return error_; }
    const std::string& renderer() const { return renderer_; }
    // Fragments passing the depth test, averaged over a few camera positions.
    uint64_t filledPixels() const { return filled_; }
    // Wall-clock milliseconds the child took to draw and finish frame `frame`; negative
    // when the child failed.
    double frameMilliseconds(int frame);

private:
    pid_t pid_ = -1;
    FILE* toChild_ = nullptr;
    FILE* fromChild_ = nullptr;
    uint64_t filled_ = 0;
    std::string renderer_, error_;
};

}  // namespace kvbench
