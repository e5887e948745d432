#include <mvobject/mvobject.h>

#include "file_internal.h"

#include <support/file.h>

namespace {

// The one open file of the process (the format allows a single open object file).
int g_file = -1;

void replaceOpenFile(int fd) {
    // A second open replaces the first; closing it keeps the descriptor from leaking.
    kvsupport::closeFile(g_file);
    g_file = fd;
}

}  // namespace

uint32_t cMVO_File::CreateOutFile(const char* fileName) {
    const int fd = kvsupport::createFile(fileName);
    if (fd < 0) return MVO_ERR_OPEN;
    replaceOpenFile(fd);
    return MVO_OK;
}

uint32_t cMVO_File::CreateInFile(const char* fileName) {
    // A FIFO given as a model must fail, not wait for a writer forever.
    const int fd = kvsupport::openWithoutWaiting(fileName);
    if (fd < 0) return MVO_ERR_OPEN;
    replaceOpenFile(fd);
    return MVO_OK;
}

uint32_t cMVO_File::WriteData(const void* data, uint32_t byteCount) {
    if (g_file < 0 || (!data && byteCount)) return MVO_ERR_WRITE;
    return kvsupport::writeFully(g_file, data, byteCount) ? MVO_OK : MVO_ERR_WRITE;
}

uint32_t cMVO_File::ReadData(void* data, uint32_t byteCount) {
    if (g_file < 0 || (!data && byteCount)) return MVO_ERR_READ;
    return kvsupport::readFully(g_file, data, byteCount) ? MVO_OK : MVO_ERR_READ;
}

uint32_t cMVO_File::CloseFile() {
    if (g_file < 0) return MVO_ERR_NOT_OPEN;
    kvsupport::closeFile(g_file);
    g_file = -1;
    return MVO_OK;
}

namespace mvo_detail {

uint64_t bytesLeft() { return kvsupport::bytesLeft(g_file); }

}  // namespace mvo_detail
