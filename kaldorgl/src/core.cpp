#include "internal.h"

#include <support/file.h>

#include <cstring>

namespace {

const char* statusText(uint32_t code) {
    switch (code) {
        case KDGL_OK: return "Allright!";
        case KDGL_ERR_FILE_NAME: return "Wrong file name!";
        case KDGL_ERR_FILE_OPEN: return "File not found or can't be open!";
        case KDGL_ERR_FILE_READ: return "Read file error!";
        case KDGL_ERR_FILE_WRITE: return "Write file error!";
        case KDGL_ERR_FILE_CREATE: return "Create file failure!";
        case KDGL_ERR_FILE_CLOSE: return "File is not exist or can't be closed";
        case KDGL_ERR_FILE_SIZE: return "Wrong file size";
        case KDGL_ERR_RESOLUTION: return "Impossible image resolution!";
        case KDGL_ERR_COLOR_DEPTH: return "Unknown color depth!";
        case KDGL_ERR_STRUCTURE: return "Incorrect file structure!";
        case KDGL_ERR_COMPRESSION: return "Unknown compression or organization structure!";
        case KDGL_ERR_UNSUPPORTED: return "Unsupported format!";
        case KDGL_ERR_ALLOC: return "Memory allocation is failed!";
        case KDGL_ERR_MEMORY_USE: return "Can't use allocated memory!";
        case KDGL_ERR_NULL_POINTER: return "Null pointer!";
        case KDGL_ERR_DIB: return "Can't create DIB!";
        case KDGL_ERR_PIXEL: return "Get or put pixel failed!";
        default: return "Unknown error code!";
    }
}

}  // namespace

void KDGL_ERR_GetErrorStr(uint32_t code, char* text) {
    if (text) std::strcpy(text, statusText(code));
}

namespace {
platform::BudgetSetting g_budget;
}  // namespace

void KDGL_SetPixelBudget(uint64_t maxPixels, uint64_t maxBytes) { g_budget.set(maxPixels, maxBytes); }

void KDGL_GetPixelBudget(uint64_t* maxPixels, uint64_t* maxBytes) {
    const platform::DecodeBudget current = g_budget.get();
    if (maxPixels) *maxPixels = current.maxPixels;
    if (maxBytes) *maxBytes = current.maxBytes;
}

namespace kdgl {

platform::DecodeBudget budget() { return g_budget.get(); }

uint32_t checkPictureSize(uint64_t width, uint64_t height, uint32_t bpp) {
    return budget().allows(width, height, bpp) ? KDGL_OK : KDGL_ERR_RESOLUTION;
}

uint32_t allocImage(uint64_t bytes, uint8_t** out) {
    *out = nullptr;
    if (bytes == 0 || bytes > budget().maxBytes) return KDGL_ERR_RESOLUTION;
    *out = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(bytes)));
    return *out ? KDGL_OK : KDGL_ERR_ALLOC;
}

}  // namespace kdgl

uint32_t CKDGLFile::OpenR(const char* name) {
    // Only regular files: a FIFO would block the open, a device read without end.
    const int fd = kvsupport::openRegularFile(name);
    if (fd < 0) return KDGL_ERR_FILE_OPEN;
    uint64_t bytes = 0;
    if (!kvsupport::fileSize(fd, bytes)) {
        kvsupport::closeFile(fd);
        return KDGL_ERR_FILE_OPEN;
    }
    if (bytes > INT32_MAX) {
        kvsupport::closeFile(fd);
        return KDGL_ERR_FILE_SIZE;
    }
    handle = fd;
    size = static_cast<int32_t>(bytes);
    return KDGL_OK;
}

uint32_t CKDGLFile::ReadAll() {
    if (handle < 0) return KDGL_ERR_FILE_READ;
    // One spare byte so that an empty file still gets a buffer.
    buffer = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size) + 1));
    if (!buffer) return KDGL_ERR_ALLOC;
    return kvsupport::readFully(handle, buffer, static_cast<size_t>(size)) ? KDGL_OK : KDGL_ERR_FILE_READ;
}

uint32_t CKDGLFile::Close() {
    if (handle < 0) return KDGL_ERR_FILE_CLOSE;
    const bool closed = kvsupport::closeFile(handle);
    handle = -1;
    return closed ? KDGL_OK : KDGL_ERR_FILE_CLOSE;
}
