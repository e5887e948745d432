// OpenJPEG as its users drive it: interleaved R, G, B, A pixels to a JPEG 2000 codestream in
// memory and back, four components of 8 bits, the colour transform on R, G, B.
#pragma once

#include <cstdint>
#include <vector>

namespace openjpeg {

using Bytes = std::vector<uint8_t>;

// Reversible 5/3 wavelet when `psnr` is 0 (lossless), else the 9/7 wavelet coded to that
// quality in dB. Empty on failure.
Bytes encode(const Bytes& rgba, uint32_t width, uint32_t height, float psnr);
// False on failure; `rgba` receives width x height x 4 bytes.
bool decode(const Bytes& stream, Bytes& rgba);

}  // namespace openjpeg
