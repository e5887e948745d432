// Sound made by the tests themselves: tones, RIFF/WAVE files, and MP3 and Ogg Vorbis files
// encoded with LAME's and libvorbis's own encoders; and measurements of a mixed output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvtest {

// Interleaved 16-bit frames of a sine of `hz` at `amplitude` (full scale 1.0) in every channel.
std::vector<int16_t> sineWave(uint32_t frames, uint32_t rate, double hz, double amplitude, uint16_t channels);

struct RiffChunk {
    std::string id;  // four characters
    std::vector<uint8_t> data;
};
// A 'fmt ' chunk body of 16 bytes with the byte rate and block align the fields imply.
std::vector<uint8_t> fmtChunk(uint16_t formatTag, uint16_t channels, uint32_t rate, uint16_t bits);
// 'RIFF', size, 'WAVE', then the chunks in order, each padded to an even size.
std::vector<uint8_t> riffWave(const std::vector<RiffChunk>& chunks);
// The canonical 44-byte-header file: 'fmt ' then 'data'.
std::vector<uint8_t> pcmWave(uint16_t channels, uint32_t rate, uint16_t bits, const std::vector<uint8_t>& data);
std::vector<uint8_t> bytesOf(const std::vector<int16_t>& samples);

// Encode interleaved frames; false when the file cannot be written.
bool writeMp3(const std::string& path, const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate);
bool writeOgg(const std::string& path, const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate);

// Measurements on one channel (0 left, 1 right) of interleaved stereo frames.
double frequencyOf(const int16_t* stereo, size_t frames, int channel, uint32_t rate);  // from zero crossings
double rmsOf(const int16_t* stereo, size_t frames, int channel);
// One past the last frame with a sample of magnitude above `threshold`; 0 for silence.
size_t soundEnd(const int16_t* stereo, size_t frames, int threshold);

}  // namespace kvtest
