// The files behind the frame trace, shared by every channel that names the
// same file, each written one whole line at a time under its own lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "platform/lock.h"

namespace ordax::trace {

struct SharedFile;

// The open file named `path`, made absolute against the current directory
// and shared (counted) when a channel has that file open already; otherwise
// opened for appending. Only regular files are taken. nullptr when it
// cannot be opened or no memory is left; *error is then the C library's
// errno (EINVAL for a file that is not regular, 0 for memory).
SharedFile *AcquireFile(const char *path, int *error);

// Drops one channel's share; the last closes the file.
void ReleaseFile(SharedFile *file);

// Rotation size; see SetTraceCapForTests.
std::uint64_t CapBytes();

// One line in the making: holds the file's lock from construction to
// destruction, so lines of different threads never mix. The destructor
// flushes the line and, once the file has passed the cap, renames it to
// "<file>.1" (replacing an older one) and starts the file anew; a file that
// cannot be started anew ends the trace with one message.
class Line {
public:
    explicit Line(SharedFile &file);
    ~Line();
    Line(const Line &) = delete;
    Line &operator=(const Line &) = delete;

    void Put(const char *text, std::size_t length);

private:
    SharedFile &file_;
};

}  // namespace ordax::trace
