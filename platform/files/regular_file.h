// Opening a file for reading only when it is a regular file, and whole reads and writes. A reader that is handed a FIFO
// would wait for a writer forever, and one handed a device such as /dev/zero would read
// without end; both are refused without waiting. Not installed: the libraries that read
// files each link their own copy.
#pragma once

#include <cstddef>
#include <cstdio>

namespace platform {

enum class OpenStatus { Ok, Unreadable, NotRegular };

// A read-only descriptor (close-on-exec) of the regular file at `path`, or -1.
int openRegularFile(const char* path, OpenStatus* status = nullptr);

// The same as a binary stdio stream, or null.
std::FILE* openRegularStream(const char* path, OpenStatus* status = nullptr);

// All `count` bytes read from or written to `fd`, again after a signal interrupts; false on
// an error or an early end of the file.
bool readFully(int fd, void* buffer, size_t count);
bool writeFully(int fd, const void* buffer, size_t count);

}  // namespace platform
