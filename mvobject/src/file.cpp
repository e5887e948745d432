#include <mvobject/mvobject.h>

#include "file_internal.h"
#include "regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The one open file of the process (the format allows a single open object file).
int g_file = -1;

void replaceOpenFile(int fd) {
    // A second open replaces the first; closing it keeps the descriptor from leaking.
    if (g_file >= 0) ::close(g_file);
    g_file = fd;
}

}  // namespace

uint32_t cMVO_File::CreateOutFile(const char* fileName) {
    if (!fileName) return MVO_ERR_OPEN;
    ::unlink(fileName);
    // Should the delete fail, truncating keeps the old file's tail out of the new one.
    int fd = ::open(fileName, O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) fd = ::open(fileName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return MVO_ERR_OPEN;
    replaceOpenFile(fd);
    return MVO_OK;
}

uint32_t cMVO_File::CreateInFile(const char* fileName) {
    if (!fileName) return MVO_ERR_OPEN;
    // O_NONBLOCK: a FIFO given as a model must fail, not wait for a writer forever.
    const int fd = ::open(fileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return MVO_ERR_OPEN;
    replaceOpenFile(fd);
    return MVO_OK;
}

uint32_t cMVO_File::WriteData(const void* data, uint32_t byteCount) {
    if (g_file < 0 || (!data && byteCount)) return MVO_ERR_WRITE;
    return platform::writeFully(g_file, data, byteCount) ? MVO_OK : MVO_ERR_WRITE;
}

uint32_t cMVO_File::ReadData(void* data, uint32_t byteCount) {
    if (g_file < 0 || (!data && byteCount)) return MVO_ERR_READ;
    return platform::readFully(g_file, data, byteCount) ? MVO_OK : MVO_ERR_READ;
}

uint32_t cMVO_File::CloseFile() {
    if (g_file < 0) return MVO_ERR_NOT_OPEN;
    ::close(g_file);
    g_file = -1;
    return MVO_OK;
}

namespace mvo_detail {

uint64_t bytesLeft() {
    struct stat info {};
    if (g_file < 0 || ::fstat(g_file, &info) != 0 || !S_ISREG(info.st_mode)) return 0;
    const off_t position = ::lseek(g_file, 0, SEEK_CUR);
    if (position < 0 || position > info.st_size) return 0;
    return static_cast<uint64_t>(info.st_size - position);
}

}  // namespace mvo_detail
