#include "regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int openRegularFile(const char* path, OpenStatus* status) {
    OpenStatus ignored;
    OpenStatus& result = status ? *status : ignored;
    result = OpenStatus::Unreadable;
    if (!path) return -1;
    // O_NONBLOCK: a FIFO would otherwise block the open itself until a writer comes.
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat info {};
    const bool examined = ::fstat(fd, &info) == 0;
    if (examined && !S_ISREG(info.st_mode)) result = OpenStatus::NotRegular;
    // Reading a regular file never waits, so the flag can go again.
    const int flags = examined && S_ISREG(info.st_mode) ? ::fcntl(fd, F_GETFL) : -1;
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    result = OpenStatus::Ok;
    return fd;
}

std::FILE* openRegularStream(const char* path, OpenStatus* status) {
    const int fd = openRegularFile(path, status);
    if (fd < 0) return nullptr;
    std::FILE* stream = ::fdopen(fd, "rb");
    if (!stream) {
        ::close(fd);
        if (status) *status = OpenStatus::Unreadable;
    }
    return stream;
}

}  // namespace platform
