// Win32 backend of the trace's files: full names from GetFullPathNameA
// (slashes, "." and ".." resolved), compared without case; only disk files
// are written, and the handle is not inherited ("N").
#include <windows.h>

#include <io.h>

#include <cerrno>
#include <cstring>

#include "platform/file.h"

namespace plat {

bool FullPath(const char *path, char *out, std::size_t size) {
    const DWORD length = GetFullPathNameA(path, static_cast<DWORD>(size), out, nullptr);
    return length != 0 && length < size;
}

bool SamePath(const char *a, const char *b) {
    return _stricmp(a, b) == 0;
}

std::FILE *OpenRegularFile(const char *path, bool truncate, int *error) {
    errno = 0;
    std::FILE *file = std::fopen(path, truncate ? "wbN" : "abN");
    if (file == nullptr) {
        *error = errno;
        return nullptr;
    }
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        std::fclose(file);
        *error = EINVAL;
        return nullptr;
    }
    return file;
}

}  // namespace plat
