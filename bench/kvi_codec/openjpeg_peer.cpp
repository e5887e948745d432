#include "openjpeg_peer.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstring>

namespace openjpeg {

namespace {

// A growable memory stream with the callbacks OpenJPEG's stream object wants.
struct Memory {
    Bytes* bytes;
    size_t at = 0;
};

OPJ_SIZE_T readFrom(void* out, OPJ_SIZE_T count, void* user) {
    auto& m = *static_cast<Memory*>(user);
    if (m.at >= m.bytes->size()) return OPJ_SIZE_T(-1);
    count = std::min<OPJ_SIZE_T>(count, m.bytes->size() - m.at);
    std::memcpy(out, m.bytes->data() + m.at, count);
    m.at += count;
    return count;
}

OPJ_SIZE_T writeTo(void* in, OPJ_SIZE_T count, void* user) {
    auto& m = *static_cast<Memory*>(user);
    if (m.bytes->size() < m.at + count) m.bytes->resize(m.at + count);
    std::memcpy(m.bytes->data() + m.at, in, count);
    m.at += count;
    return count;
}

OPJ_OFF_T skip(OPJ_OFF_T count, void* user) {
    auto& m = *static_cast<Memory*>(user);
    m.at += size_t(count);
    return count;
}

OPJ_BOOL seek(OPJ_OFF_T to, void* user) {
    static_cast<Memory*>(user)->at = size_t(to);
    return OPJ_TRUE;
}

opj_stream_t* streamOver(Memory& memory, bool input) {
    opj_stream_t* s = opj_stream_create(1 << 16, input ? OPJ_TRUE : OPJ_FALSE);
    opj_stream_set_user_data(s, &memory, nullptr);
    opj_stream_set_user_data_length(s, memory.bytes->size());
    if (input) opj_stream_set_read_function(s, readFrom);
    else opj_stream_set_write_function(s, writeTo);
    opj_stream_set_skip_function(s, skip);
    opj_stream_set_seek_function(s, seek);
    return s;
}

}  // namespace

Bytes encode(const Bytes& rgba, uint32_t width, uint32_t height, float psnr) {
    opj_cparameters_t p;
    opj_set_default_encoder_parameters(&p);
    p.tcp_numlayers = 1;
    p.tcp_mct = 1;
    if (psnr > 0) {
        p.irreversible = 1;
        p.cp_fixed_quality = 1;
        p.tcp_distoratio[0] = psnr;
    } else {
        p.cp_disto_alloc = 1;
        p.tcp_rates[0] = 0;
    }
    opj_image_cmptparm_t parts[4];
    std::memset(parts, 0, sizeof parts);
    for (auto& c : parts) {
        c.dx = c.dy = 1;
        c.w = width;
        c.h = height;
        c.prec = 8;
    }
    opj_image_t* image = opj_image_create(4, parts, OPJ_CLRSPC_SRGB);
    image->x1 = width;
    image->y1 = height;
    const size_t pixels = size_t(width) * height;
    for (int c = 0; c < 4; ++c)
        for (size_t i = 0; i < pixels; ++i) image->comps[c].data[i] = rgba[i * 4 + c];
    Bytes out;
    Memory memory{&out};
    opj_codec_t* codec = opj_create_compress(OPJ_CODEC_J2K);
    opj_stream_t* stream = streamOver(memory, false);
    const bool ok = opj_setup_encoder(codec, &p, image) && opj_start_compress(codec, image, stream) &&
                    opj_encode(codec, stream) && opj_end_compress(codec, stream);
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    if (!ok) out.clear();
    return out;
}

bool decode(const Bytes& stream, Bytes& rgba) {
    Memory memory{const_cast<Bytes*>(&stream)};  // only read
    opj_dparameters_t p;
    opj_set_default_decoder_parameters(&p);
    opj_codec_t* codec = opj_create_decompress(OPJ_CODEC_J2K);
    opj_stream_t* in = streamOver(memory, true);
    opj_image_t* image = nullptr;
    bool ok = opj_setup_decoder(codec, &p) && opj_read_header(in, codec, &image) && opj_decode(codec, in, image) &&
              opj_end_decompress(codec, in) && image->numcomps == 4;
    if (ok) {
        const size_t pixels = size_t(image->comps[0].w) * image->comps[0].h;
        rgba.resize(pixels * 4);
        for (int c = 0; c < 4; ++c)
            for (size_t i = 0; i < pixels; ++i) rgba[i * 4 + c] = uint8_t(std::clamp(image->comps[c].data[i], 0, 255));
    }
    opj_image_destroy(image);
    opj_stream_destroy(in);
    opj_destroy_codec(codec);
    return ok;
}

}  // namespace openjpeg
