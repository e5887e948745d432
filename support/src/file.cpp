#include <support/file.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvsupport {

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

int openWithoutWaiting(const char* path) {
    return path ? ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
}

int createFile(const char* path) {
    if (!path) return -1;
    ::unlink(path);
    const int fd = ::open(path, O_WRONLY | O_TRUNC | O_CLOEXEC);
    return fd >= 0 ? fd : ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

bool closeFile(int fd) { return fd >= 0 && ::close(fd) == 0; }

bool fileSize(int fd, uint64_t& size) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return false;
    size = static_cast<uint64_t>(info.st_size);
    return true;
}

uint64_t bytesLeft(int fd) {
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return 0;
    const off_t position = ::lseek(fd, 0, SEEK_CUR);
    if (position < 0 || position > info.st_size) return 0;
    return static_cast<uint64_t>(info.st_size - position);
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

}  // namespace kvsupport
