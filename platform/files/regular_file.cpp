#include "regular_file.h"

#include <cerrno>
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

namespace {

// A regular file may still hand over its bytes in pieces.
template <typename Op>
bool transferAll(Op op, size_t count) {
    size_t done = 0;
    while (done < count) {
        const ssize_t n = op(done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool readFully(int fd, void* buffer, size_t count) {
    auto* bytes = static_cast<char*>(buffer);
    return transferAll([&](size_t done, size_t left) { return ::read(fd, bytes + done, left); }, count);
}

bool writeFully(int fd, const void* buffer, size_t count) {
    const auto* bytes = static_cast<const char*>(buffer);
    return transferAll([&](size_t done, size_t left) { return ::write(fd, bytes + done, left); }, count);
}

}  // namespace platform
