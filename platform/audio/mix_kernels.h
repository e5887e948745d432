// The mixer's inner loops: one source resampled into a stereo float accumulator, and the
// accumulator clipped to 16-bit output. Plain functions without locks or allocation.
#pragma once

#include <cstdint>

namespace platform::audio {

// Interleaved PCM: 1 or 2 channels of unsigned 8-bit or signed 16-bit samples.
struct PcmLayout {
    uint16_t channels;
    uint16_t bits;

    uint32_t frameBytes() const { return channels * bits / 8u; }
};

struct Gains {
    float left;
    float right;
};

// Positions and steps are in frames of the source, 32.32 fixed point.
constexpr uint64_t kOneFrame = uint64_t{1} << 32;

// Adds up to `frames` output frames to `mix` (L, R interleaved), interpolating linearly
// between the source frames around `position` and advancing it by `step` per output frame.
// With `wrap` the source is circular (the frame after the last is frame 0); without it the
// run ends once the position passes the last frame. Returns the number of frames made.
uint32_t mixResampled(const uint8_t* data, uint32_t frameCount, PcmLayout layout, bool wrap, uint64_t& position,
                      uint64_t step, Gains gains, float* mix, uint32_t frames);

// How many output frames a circular source with `available` frames from `position` can
// give before interpolation would need a frame past them.
uint32_t framesBacked(uint64_t position, uint64_t step, uint32_t available, uint32_t wanted);

// Full scale is 1.0; values beyond it clip to the 16-bit range.
void clipToInt16(const float* mix, int16_t* out, uint32_t samples);

// 10^(hundredths of a decibel / 2000), the amplitude factor of a DirectSound attenuation.
float gainOfMillibels(int32_t millibels);

}  // namespace platform::audio
