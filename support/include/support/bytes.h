// Little-endian fields of file formats, read and written a byte at a time: no alignment or
// host byte order is assumed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kvsupport {

inline uint16_t readLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

inline uint32_t readLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

inline void writeLe16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void writeLe32(uint8_t* p, uint32_t v) {
    writeLe16(p, v);
    writeLe16(p + 2, v >> 16);
}

// Reads fields in order from `size` bytes. Past the end every byte reads as 0 and the
// position stays at the end, so damaged data yields zeros instead of reads beyond it.
class ByteCursor {
public:
    ByteCursor(const uint8_t* data, size_t size, size_t position = 0)
        : data_(data), size_(data ? size : 0), pos_(position < size_ ? position : size_) {}

    uint8_t u8() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t le16() {
        const uint8_t low = u8();
        return static_cast<uint16_t>(low | u8() << 8);
    }
    uint32_t le32() {
        const uint16_t low = le16();
        return low | static_cast<uint32_t>(le16()) << 16;
    }
    // `count` bytes into `out`, zeros for those past the end.
    void bytes(void* out, size_t count) {
        const size_t there = count < left() ? count : left();
        if (there) std::memcpy(out, data_ + pos_, there);
        if (count > there) std::memset(static_cast<uint8_t*>(out) + there, 0, count - there);
        pos_ += there;
    }
    void skip(size_t count) { pos_ += count < left() ? count : left(); }

    size_t position() const { return pos_; }
    size_t left() const { return size_ - pos_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_;
};

// Writes fields in order into `size` bytes; what would pass the end is dropped.
class ByteWriter {
public:
    ByteWriter(uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}

    void u8(uint32_t v) {
        if (pos_ < size_) data_[pos_++] = static_cast<uint8_t>(v);
    }
    void le16(uint32_t v) {
        u8(v);
        u8(v >> 8);
    }
    void le32(uint32_t v) {
        le16(v);
        le16(v >> 16);
    }
    void bytes(const void* in, size_t count) {
        const size_t there = count < size_ - pos_ ? count : size_ - pos_;
        if (there) std::memcpy(data_ + pos_, in, there);
        pos_ += there;
    }
    // Leaves `count` bytes as they are.
    void skip(size_t count) { pos_ += count < size_ - pos_ ? count : size_ - pos_; }

    size_t position() const { return pos_; }

private:
    uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace kvsupport
