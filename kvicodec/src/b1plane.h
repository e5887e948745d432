// The B1 plane codec: a level-shifted Haar transform over 1 or 5 levels, a per-level
// quantiser driven by quality, and an adaptive order-0 arithmetic coder with 16-bit
// registers. Encoder and decoder share this code so they cannot drift apart; the streams
// must stay byte-identical to every other implementation of the format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvi::b1 {

enum Status : int { Ok = 0, BadArguments = -1, NoMemory = -2 };

// Codes a width x height plane of samples (row by row) into stream, replacing its contents.
// The stream grows as far as it needs: noisy planes at high quality can be longer than the
// plane itself. Fails with BadArguments for an empty or 1-pixel plane or quality above 100.
Status encodePlane(const uint8_t* samples, uint32_t width, uint32_t height, uint32_t quality,
                   std::vector<uint8_t>& stream) noexcept;

// No stream carries more symbols than this per byte: the model never gives one symbol a
// probability above (16382 - 255) / 16382, so each costs at least 0.0225 bits, at most 356
// symbols a byte. The bound leaves room to spare; a plane stream shorter than
// minStreamBytes cannot have come from an encoder.
inline constexpr size_t kMaxSymbolsPerByte = 512;
size_t minStreamBytes(uint32_t width, uint32_t height) noexcept;

// Which symbol search the decoder takes: the fastest this processor runs (AVX-512, else
// AVX2, where it has them), AVX2 where it has it, or the portable one that every processor
// runs. All decode any stream alike.
enum class Search { Fastest, Avx2, Portable };

// Decodes length stream bytes into width x height samples. Never reads past length (missing
// bits read as 0); a damaged stream decodes to something without failing. Fails with
// BadArguments for a plane of 1 pixel or less.
Status decodePlane(const uint8_t* stream, size_t length, uint32_t width, uint32_t height,
                   uint32_t quality, uint8_t* samples, Search search = Search::Fastest) noexcept;

// A plane's stream and where its first sample goes.
struct PlaneStream {
    const uint8_t* stream;
    size_t length;
    uint8_t* samples;
};

// Decodes count planes of one size and quality as decodePlane does, each sample stride
// bytes after the one before it, so that the planes of a picture can go straight into its
// pixels. Two planes at a time share the coder's loop, which is then nearly twice as fast.
Status decodePlanes(const PlaneStream* planes, size_t count, uint32_t width, uint32_t height,
                    uint32_t quality, size_t stride, Search search = Search::Fastest) noexcept;

}  // namespace kvi::b1
