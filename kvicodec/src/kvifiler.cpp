#include <kvicodec/kvidecoder.h>

#include <support/file.h>

uint32_t CKVIFILER::OpenFile(const char* path) {
    // Only regular files: a FIFO would block the open, a device read without end.
    file = kvsupport::openRegularStream(path);
    return file ? KVI_OK : KVI_ERR_OPEN;
}

uint32_t CKVIFILER::ReadFile(void* buffer, uint32_t length) {
    if (!file) return KVI_ERR_NO_FILE;
    if (length > 0 && buffer) (void)std::fread(buffer, 1, length, file);
    return KVI_OK;
}

uint32_t CKVIFILER::CloseFile() {
    if (file) std::fclose(file);
    file = nullptr;
    return KVI_OK;
}
