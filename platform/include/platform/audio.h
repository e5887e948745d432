// The process's audio output behind the DirectSound and DirectShow stand-ins: 48 kHz,
// stereo, 16-bit, fed by SDL2's audio thread. Tests and offline tools can hold the device
// and pull the mix themselves.
#pragma once

#include <cstdint>

namespace platform::audio {

constexpr uint32_t kOutputRate = 48000;

// Pauses (true) or resumes the device, now and for outputs opened later. While held, the
// mix advances only through renderMix.
void holdOutput(bool held);

// Mixes the next `frames` frames (left, right interleaved) into `out`, exactly what the
// device would have been given; silence when no sound device or music graph exists.
void renderMix(int16_t* out, uint32_t frames);

}  // namespace platform::audio
