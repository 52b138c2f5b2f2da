// The files behind the frame trace, shared by every channel that names the
// same file, each written one whole line at a time under its own lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "platform/lock.h"

namespace ordax {

// Size at which a trace file is renamed to "<file>.1" (replacing an older
// one) and started anew.
constexpr std::uint32_t kTraceCapBytes = 10u * 1024u * 1024u;

// Tests: the size at which files are rotated from now on; 0 restores
// kTraceCapBytes.
void SetTraceCapForTests(std::uint32_t bytes);

}  // namespace ordax

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
