// Helpers for the KVI codec tests: objects that release their buffers, and whole-file
// encode and decode through a temporary folder.
#pragma once

#include <kvicodec/kvicoder.h>
#include <kvicodec/kvidecoder.h>

#include <cstdlib>
#include <string>

#include "testsupport.h"

namespace kvitest {

using kvtest::Bytes;

struct Coder : CKVICODER {
    Coder() : CKVICODER{} { Reset(); }
    Coder(const Coder&) = delete;
    ~Coder() {
        std::free(data);
        std::free(work);
        CloseFile();
    }
    Bytes coded() const { return Bytes(data, data + dataSize); }
};

struct Decoder : CKVIDECODER {
    Decoder() : CKVIDECODER{} { Reset(); }
    Decoder(const Decoder&) = delete;
    ~Decoder() {
        std::free(data);
        std::free(work);
        std::free(image);
        CloseFile();
    }
    Bytes pixels() const { return Bytes(image, image + size_t(width) * height * bitsPerPixel / 8); }
};

// Encoding settings of one file.
struct Settings {
    uint32_t width = 0, height = 0;
    uint8_t bits = 32;
    uint32_t colorDesc = 0;
    uint32_t mode = 0;
    uint32_t quality = 100;
};

// Encodes rgba pixels into a file's bytes; fails the test on any status.
Bytes encodeFile(const Bytes& rgba, const Settings& s);

// Writes bytes to a file and decodes it; returns the first failing status (0 if none).
uint32_t decodeFile(const Bytes& file, Decoder& out);

// A file built by hand: signature, then whatever records the test appends.
struct FileBuilder {
    Bytes bytes;
    FileBuilder() {
        const char signature[] = "kvI\x10";
        bytes.assign(signature, signature + 4);
    }
    FileBuilder& u8(uint8_t v) { bytes.push_back(v); return *this; }
    FileBuilder& u32(uint32_t v) { kvtest::put32(bytes, v); return *this; }
    FileBuilder& size(uint32_t w, uint32_t h) { return u8(0x81).u32(w).u32(h); }
    FileBuilder& format(uint8_t bits, uint8_t variant, uint32_t desc) { return u8(0x84).u8(bits).u8(variant).u32(desc); }
    FileBuilder& coding(uint32_t quality, uint32_t mode) {
        return u8(0x82).u32(quality).u32(mode).u32(0);
    }
    FileBuilder& end() { return u8(0); }
    FileBuilder& payload(const Bytes& data) {
        u32(uint32_t(data.size()));
        bytes.insert(bytes.end(), data.begin(), data.end());
        return *this;
    }
};

}  // namespace kvitest
