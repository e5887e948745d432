#include "mix_kernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform::audio {

namespace {

constexpr float kFracScale = 1.0f / 4294967296.0f;

struct Frame {
    float left;
    float right;
};

// Storage is bytes; 16-bit samples are read with memcpy so no alias rules are bent.
template <class Sample, int Channels>
Frame frameAt(const uint8_t* data, uint32_t index) {
    if constexpr (sizeof(Sample) == 1) {
        const uint8_t* p = data + static_cast<size_t>(index) * Channels;
        const float left = (static_cast<float>(p[0]) - 128.0f) * (1.0f / 128.0f);
        if constexpr (Channels == 1) return {left, left};
        return {left, (static_cast<float>(p[1]) - 128.0f) * (1.0f / 128.0f)};
    } else {
        int16_t s[Channels];
        std::memcpy(s, data + static_cast<size_t>(index) * Channels * 2, sizeof(s));
        const float left = static_cast<float>(s[0]) * (1.0f / 32768.0f);
        if constexpr (Channels == 1) return {left, left};
        return {left, static_cast<float>(s[1]) * (1.0f / 32768.0f)};
    }
}

template <class Sample, int Channels>
void addFrame(const uint8_t* data, uint32_t index, uint32_t next, uint32_t fraction, Gains gains, float* out) {
    const Frame a = frameAt<Sample, Channels>(data, index);
    const Frame b = frameAt<Sample, Channels>(data, next);
    const float f = static_cast<float>(fraction) * kFracScale;
    out[0] += (a.left + (b.left - a.left) * f) * gains.left;
    out[1] += (a.right + (b.right - a.right) * f) * gains.right;
}

template <class Sample, int Channels>
uint32_t mixLayout(const uint8_t* data, uint32_t frameCount, bool wrap, uint64_t& position, uint64_t step,
                   Gains gains, float* mix, uint32_t frames) {
    const uint64_t end = static_cast<uint64_t>(frameCount) << 32;
    uint64_t pos = position;
    uint32_t done = 0;
    while (done < frames) {
        if (pos >= end) {
            if (!wrap) break;
            pos %= end;
        }
        const uint32_t index = static_cast<uint32_t>(pos >> 32);
        if (index + 1 < frameCount) {
            // The run in which the next frame is inside the source needs no edge checks.
            const uint64_t lastStart = end - kOneFrame;
            const uint32_t run =
                static_cast<uint32_t>(std::min<uint64_t>((lastStart - pos + step - 1) / step, frames - done));
            float* out = mix + static_cast<size_t>(done) * 2;
            if (step == kOneFrame && static_cast<uint32_t>(pos) == 0) {
                for (uint32_t k = 0; k < run; ++k, out += 2) {
                    const Frame a = frameAt<Sample, Channels>(data, index + k);
                    out[0] += a.left * gains.left;
                    out[1] += a.right * gains.right;
                }
                pos += static_cast<uint64_t>(run) << 32;
            } else {
                for (uint32_t k = 0; k < run; ++k, out += 2, pos += step) {
                    const auto i = static_cast<uint32_t>(pos >> 32);
                    addFrame<Sample, Channels>(data, i, i + 1, static_cast<uint32_t>(pos), gains, out);
                }
            }
            done += run;
        } else {
            const uint32_t next = wrap ? 0 : index;
            addFrame<Sample, Channels>(data, index, next, static_cast<uint32_t>(pos), gains, mix + size_t{done} * 2);
            pos += step;
            ++done;
        }
    }
    position = pos;
    return done;
}

}  // namespace

uint32_t mixResampled(const uint8_t* data, uint32_t frameCount, PcmLayout layout, bool wrap, uint64_t& position,
                      uint64_t step, Gains gains, float* mix, uint32_t frames) {
    if (frameCount == 0 || step == 0) return 0;
    const bool stereo = layout.channels == 2;
    if (layout.bits == 8) {
        return stereo ? mixLayout<uint8_t, 2>(data, frameCount, wrap, position, step, gains, mix, frames)
                      : mixLayout<uint8_t, 1>(data, frameCount, wrap, position, step, gains, mix, frames);
    }
    return stereo ? mixLayout<int16_t, 2>(data, frameCount, wrap, position, step, gains, mix, frames)
                  : mixLayout<int16_t, 1>(data, frameCount, wrap, position, step, gains, mix, frames);
}

uint32_t framesBacked(uint64_t position, uint64_t step, uint32_t available, uint32_t wanted) {
    if (available < 2 || step == 0) return 0;
    const uint64_t fraction = position & (kOneFrame - 1);
    const uint64_t lastStart = static_cast<uint64_t>(available - 1) << 32;
    return static_cast<uint32_t>(std::min<uint64_t>((lastStart - fraction + step - 1) / step, wanted));
}

void clipToInt16(const float* mix, int16_t* out, uint32_t samples) {
    for (uint32_t i = 0; i < samples; ++i) {
        const float v = std::clamp(mix[i] * 32768.0f, -32768.0f, 32767.0f);
        out[i] = static_cast<int16_t>(std::lrint(v));
    }
}

float gainOfMillibels(int32_t millibels) { return std::pow(10.0f, static_cast<float>(millibels) / 2000.0f); }

}  // namespace platform::audio
