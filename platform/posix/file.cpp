// POSIX backend of the trace's files. The open never waits (O_NONBLOCK: a
// FIFO without a reader fails at once, one with a reader is refused after
// the type check), and only regular files are written, so no write can
// block on a reader or raise SIGPIPE.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file.h"

namespace plat {

bool FullPath(const char *path, char *out, std::size_t size) {
    const std::size_t length = std::strlen(path);
    if (path[0] == '/') {
        if (length >= size) return false;
        std::memcpy(out, path, length + 1);
        return true;
    }
    if (::getcwd(out, size) == nullptr) return false;
    const std::size_t base = std::strlen(out);
    if (base + 1 + length >= size) return false;
    out[base] = '/';
    std::memcpy(out + base + 1, path, length + 1);
    return true;
}

bool SamePath(const char *a, const char *b) {
    return std::strcmp(a, b) == 0;
}

std::FILE *OpenRegularFile(const char *path, bool truncate, int *error) {
    const int flags =
        O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (truncate ? O_TRUNC : O_APPEND);
    const int fd = ::open(path, flags, 0666);
    if (fd < 0) {
        *error = errno;
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        *error = EINVAL;
        return nullptr;
    }
    std::FILE *file = ::fdopen(fd, truncate ? "wb" : "ab");
    if (file == nullptr) {
        *error = errno;
        ::close(fd);
    }
    return file;
}

}  // namespace plat
