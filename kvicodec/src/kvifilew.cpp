#include <kvicodec/kvicoder.h>

uint32_t CKVIFILEW::CreateFileA(const char* path) {
    file = path ? std::fopen(path, "wb") : nullptr;
    return file ? KVI_OK : KVI_ERR_OPEN;
}

uint32_t CKVIFILEW::WriteFile(const void* buffer, uint32_t length) {
    if (!file) return KVI_ERR_NO_FILE;
    if (length == 0) return KVI_OK;
    if (!buffer || std::fwrite(buffer, 1, length, file) != length) return KVI_ERR_IO;
    return KVI_OK;
}

uint32_t CKVIFILEW::WriteFile(uint32_t value, uint32_t length) {
    uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = uint8_t(value >> (8 * i));
    return WriteFile(static_cast<const void*>(bytes), length < 4 ? length : 4);
}

// A close that cannot flush the buffered bytes loses data, so it is reported.
uint32_t CKVIFILEW::CloseFile() {
    const bool failed = file && std::fclose(file) != 0;
    file = nullptr;
    return failed ? KVI_ERR_IO : KVI_OK;
}
