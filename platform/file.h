// Files the driver writes beside its connections (the frame trace): opened
// so that they can neither block nor signal the host, and never inherited
// by its children.
#pragma once

#include <cstddef>
#include <cstdio>

namespace plat {

// `path` made absolute against the current directory into `out` (size
// bytes), as the system names the file; false when it does not fit or
// cannot be resolved.
bool FullPath(const char *path, char *out, std::size_t size);

// True when two full paths name one file as the system compares names
// (without case on Windows).
bool SamePath(const char *a, const char *b);

// A regular file opened for appending, or emptied first when `truncate`;
// not inherited by child processes. Anything else (a FIFO, a device, a
// pipe) is refused without waiting for it. nullptr on failure, with *error
// the C library's errno (EINVAL for a file that is not regular).
std::FILE *OpenRegularFile(const char *path, bool truncate, int *error);

}  // namespace plat
