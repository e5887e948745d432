// Files as the libraries read and write them, the one place outside the platform layer that
// calls the operating system for files. Reading opens regular files only: a reader handed a
// FIFO would wait for a writer forever, and one handed a device such as /dev/zero would read
// without end; both are refused without waiting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace kvsupport {

enum class OpenStatus { Ok, Unreadable, NotRegular };

// A read-only descriptor (close-on-exec) of the regular file at `path`, or -1.
int openRegularFile(const char* path, OpenStatus* status = nullptr);

// The same as a binary stdio stream, or null.
std::FILE* openRegularStream(const char* path, OpenStatus* status = nullptr);

// A read-only descriptor of any file that never waits, not even for a FIFO's writer, or -1.
int openWithoutWaiting(const char* path);

// A new, empty file at `path` for writing: the old one is deleted first, and truncated
// should the delete fail, so none of its tail stays. -1 when neither works.
int createFile(const char* path);

// False when the descriptor was not open or the close reported an error.
bool closeFile(int fd);

// The size of the file behind `fd`; false when it cannot be examined.
bool fileSize(int fd, uint64_t& size);

// Bytes between the position of `fd` and the end of its regular file; 0 for anything else.
uint64_t bytesLeft(int fd);

// All `count` bytes read from or written to `fd`, again after a signal interrupts; false on
// an error or an early end of the file.
bool readFully(int fd, void* buffer, size_t count);
bool writeFully(int fd, const void* buffer, size_t count);

}  // namespace kvsupport
