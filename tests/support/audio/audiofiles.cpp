#include "audiofiles.h"

#include <lame/lame.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numbers>

namespace kvtest {

namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

}  // namespace

std::vector<int16_t> sineWave(uint32_t frames, uint32_t rate, double hz, double amplitude, uint16_t channels) {
    std::vector<int16_t> out;
    out.reserve(size_t{frames} * channels);
    for (uint32_t i = 0; i < frames; ++i) {
        const double v = amplitude * 32767.0 * std::sin(2.0 * std::numbers::pi * hz * i / rate);
        for (uint16_t c = 0; c < channels; ++c) out.push_back(static_cast<int16_t>(std::lround(v)));
    }
    return out;
}

std::vector<uint8_t> fmtChunk(uint16_t formatTag, uint16_t channels, uint32_t rate, uint16_t bits) {
    std::vector<uint8_t> out;
    const uint32_t block = channels * bits / 8u;
    put16(out, formatTag);
    put16(out, channels);
    put32(out, rate);
    put32(out, rate * block);
    put16(out, block);
    put16(out, bits);
    return out;
}

std::vector<uint8_t> riffWave(const std::vector<RiffChunk>& chunks) {
    std::vector<uint8_t> body{'W', 'A', 'V', 'E'};
    for (const RiffChunk& chunk : chunks) {
        body.insert(body.end(), chunk.id.begin(), chunk.id.end());
        put32(body, static_cast<uint32_t>(chunk.data.size()));
        body.insert(body.end(), chunk.data.begin(), chunk.data.end());
        if (chunk.data.size() % 2) body.push_back(0);
    }
    std::vector<uint8_t> out{'R', 'I', 'F', 'F'};
    put32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<uint8_t> pcmWave(uint16_t channels, uint32_t rate, uint16_t bits, const std::vector<uint8_t>& data) {
    return riffWave({{"fmt ", fmtChunk(1, channels, rate, bits)}, {"data", data}});
}

std::vector<uint8_t> bytesOf(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> out;
    out.reserve(samples.size() * 2);
    for (int16_t s : samples) put16(out, static_cast<uint16_t>(s));
    return out;
}

bool writeMp3(const std::string& path, const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate) {
    File file(std::fopen(path.c_str(), "w+b"));
    lame_global_flags* lame = lame_init();
    if (!file || !lame) return false;
    lame_set_num_channels(lame, channels);
    lame_set_in_samplerate(lame, static_cast<int>(rate));
    lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 5);
    bool ok = lame_init_params(lame) == 0;
    const int frames = static_cast<int>(samples.size() / channels);
    std::vector<unsigned char> out(static_cast<size_t>(frames) * 5 / 4 + 7200 + 16384);
    int bytes = 0;
    if (ok) {
        bytes = channels == 1
                    ? lame_encode_buffer(lame, samples.data(), samples.data(), frames, out.data(), static_cast<int>(out.size()))
                    : lame_encode_buffer_interleaved(lame, const_cast<short*>(samples.data()), frames, out.data(),
                                                     static_cast<int>(out.size()));
        ok = bytes >= 0 && std::fwrite(out.data(), 1, static_cast<size_t>(bytes), file.get()) == static_cast<size_t>(bytes);
    }
    if (ok) {
        bytes = lame_encode_flush(lame, out.data(), static_cast<int>(out.size()));
        ok = bytes >= 0 && std::fwrite(out.data(), 1, static_cast<size_t>(bytes), file.get()) == static_cast<size_t>(bytes);
    }
    if (ok) lame_mp3_tags_fid(lame, file.get());  // the gapless information in the first frame
    lame_close(lame);
    return ok;
}

bool writeOgg(const std::string& path, const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate) {
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, static_cast<long>(rate), 0.4f) != 0) {
        vorbis_info_clear(&info);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1234);
    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    bool ok = true;
    ogg_page page;
    const auto writePage = [&] {
        ok = ok && std::fwrite(page.header, 1, page.header_len, file.get()) == static_cast<size_t>(page.header_len);
        ok = ok && std::fwrite(page.body, 1, page.body_len, file.get()) == static_cast<size_t>(page.body_len);
    };
    while (ogg_stream_flush(&stream, &page) != 0) writePage();

    const size_t frames = samples.size() / channels;
    constexpr size_t kPiece = 1024;
    for (size_t start = 0;; start += kPiece) {
        const size_t count = std::min(kPiece, frames - std::min(frames, start));
        if (count > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (size_t i = 0; i < count; ++i) {
                for (uint16_t c = 0; c < channels; ++c) buffer[c][i] = samples[(start + i) * channels + c] / 32768.0f;
            }
        }
        vorbis_analysis_wrote(&dsp, static_cast<int>(count));  // 0 marks the end
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) writePage();
            }
        }
        if (count == 0) break;
    }
    while (ogg_stream_flush(&stream, &page) != 0) writePage();
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return ok;
}

double frequencyOf(const int16_t* stereo, size_t frames, int channel, uint32_t rate) {
    size_t first = 0, last = 0, crossings = 0;
    for (size_t i = 1; i < frames; ++i) {
        const int a = stereo[(i - 1) * 2 + channel], b = stereo[i * 2 + channel];
        if (a < 0 && b >= 0) {
            if (crossings == 0) first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2) return 0.0;
    return static_cast<double>(crossings - 1) * rate / static_cast<double>(last - first);
}

double rmsOf(const int16_t* stereo, size_t frames, int channel) {
    double sum = 0.0;
    for (size_t i = 0; i < frames; ++i) sum += double(stereo[i * 2 + channel]) * stereo[i * 2 + channel];
    return frames ? std::sqrt(sum / static_cast<double>(frames)) : 0.0;
}

size_t soundEnd(const int16_t* stereo, size_t frames, int threshold) {
    for (size_t i = frames; i > 0; --i) {
        if (std::abs(stereo[i * 2 - 2]) > threshold || std::abs(stereo[i * 2 - 1]) > threshold) return i;
    }
    return 0;
}

}  // namespace kvtest
