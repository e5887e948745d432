// 256-colour cel pictures: an 800-byte header with a 6-bit palette, then one index a pixel.
#include "internal.h"

#include <kaldorgl/kdgl_codecs.h>

#include <cstring>

using namespace kdgl;

namespace {
constexpr uint16_t kCelMagic = 0x9119;
constexpr uint32_t kCelHeaderSize = sizeof(KDGL_CEL_HEADER);
}  // namespace

uint32_t CCodecCEL::LoadFromMemory(const uint8_t* bytes, uint32_t size) {
    header = {};
    if (!bytes) return KDGL_ERR_NULL_POINTER;
    if (size < kCelHeaderSize) return KDGL_ERR_FILE_SIZE;
    kvsupport::ByteCursor in(bytes, kCelHeaderSize);
    KDGL_CEL_HEADER read;
    read.magic = in.le16();
    read.width = in.le16();
    read.height = in.le16();
    in.bytes(read.reserved, sizeof read.reserved);
    in.bytes(read.palette, sizeof read.palette);
    header = read;
    if (read.magic != kCelMagic) return KDGL_ERR_STRUCTURE;
    const uint64_t count = uint64_t(read.width) * read.height;
    if (count == 0) return KDGL_ERR_STRUCTURE;
    // Components above 63 keep their low six bits, as the format has no room for more.
    for (uint8_t& component : header.palette) component = static_cast<uint8_t>(component << 2);
    if (kCelHeaderSize + count > size) return KDGL_ERR_FILE_SIZE;
    uint32_t status = checkPictureSize(read.width, read.height, 1);
    if (status != KDGL_OK) return status;
    std::free(data);
    data = nullptr;
    status = allocImage(count, &data);
    if (status != KDGL_OK) return status;
    std::memcpy(data, bytes + kCelHeaderSize, count);
    return KDGL_OK;
}

uint32_t CCodecCEL::LoadFromFile(const char* name) {
    return loadWholeFile(name, [this](const uint8_t* b, uint32_t s) { return LoadFromMemory(b, s); });
}
