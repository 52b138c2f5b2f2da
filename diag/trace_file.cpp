// The trace files (see trace_file.h): a process-wide list of the open ones,
// counted by the channels that write to them.
#include "diag/trace_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>

#include "diag/trace.h"
#include "diag/trace_messages.h"
#include "platform/file.h"

namespace ordax::trace {

struct SharedFile {
    SharedFile *next;
    char *path;       // full path, made absolute when the first channel opened it
    char *rotated;    // path and ".1"
    std::FILE *file;  // null once a rotation could not start it anew: lines are dropped
    std::uint64_t size;
    int reopenError;  // errno of a reopen after rotation that failed, until logged
    int shares;
    plat::PlatLock lock;
};

namespace {

constexpr char kRotatedSuffix[] = ".1";
constexpr std::size_t kPathCapacity = 4096;

plat::PlatLock gListLock{};  // zero-filled: free
SharedFile *gFiles = nullptr;
std::atomic<std::uint32_t> gCapForTests{0};

// Rotation size; see SetTraceCapForTests.
std::uint64_t CapBytes() {
    const std::uint32_t forTests = gCapForTests.load(std::memory_order_relaxed);
    return forTests != 0 ? forTests : kTraceCapBytes;
}

// Size of an open file, from its end; 0 when it cannot be told.
std::uint64_t SizeOf(std::FILE *file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return 0;
    const long size = std::ftell(file);
    return size > 0 ? static_cast<std::uint64_t>(size) : 0;
}

char *Copy(const char *text, const char *suffix) {
    const std::size_t length = std::strlen(text);
    char *copy = new (std::nothrow) char[length + std::strlen(suffix) + 1];
    if (copy == nullptr) return nullptr;
    std::memcpy(copy, text, length);
    std::strcpy(copy + length, suffix);
    return copy;
}

void Destroy(SharedFile *shared) {
    if (shared->file != nullptr) std::fclose(shared->file);
    delete[] shared->path;
    delete[] shared->rotated;
    delete shared;
}

// A new entry for `path` with its file open for appending; nullptr on failure.
SharedFile *OpenFile(const char *path, int *error) {
    *error = 0;
    auto *shared = new (std::nothrow) SharedFile{};
    if (shared == nullptr) return nullptr;
    shared->path = Copy(path, "");
    shared->rotated = Copy(path, kRotatedSuffix);
    if (shared->path != nullptr && shared->rotated != nullptr) {
        shared->file = plat::OpenRegularFile(path, false, error);
    }
    if (shared->file == nullptr) {
        Destroy(shared);
        return nullptr;
    }
    shared->size = SizeOf(shared->file);
    shared->shares = 1;
    return shared;
}

// Under the file's lock: the full file becomes "<file>.1" and a new one is
// started. Where the rename fails (Windows, with the file open elsewhere)
// the file is started anew in place, so that it never grows without bound.
// A file that cannot be started anew ends the trace; its errno is kept for
// the one message about it.
void Rotate(SharedFile &shared) {
    std::fclose(shared.file);
    std::remove(shared.rotated);
    const bool renamed = std::rename(shared.path, shared.rotated) == 0;
    int error = 0;
    shared.file = plat::OpenRegularFile(shared.path, !renamed, &error);
    if (shared.file == nullptr) shared.reopenError = error != 0 ? error : -1;
    shared.size = 0;
}

}  // namespace

SharedFile *AcquireFile(const char *name, int *error) {
    char path[kPathCapacity];
    errno = 0;
    if (!plat::FullPath(name, path, sizeof path)) {
        *error = errno != 0 ? errno : ENAMETOOLONG;
        return nullptr;
    }
    plat::LockEnter(&gListLock);
    SharedFile *shared = gFiles;
    while (shared != nullptr && !plat::SamePath(shared->path, path)) shared = shared->next;
    if (shared != nullptr) {
        ++shared->shares;
        *error = 0;
    } else {
        shared = OpenFile(path, error);
        if (shared != nullptr) {
            shared->next = gFiles;
            gFiles = shared;
        }
    }
    plat::LockLeave(&gListLock);
    return shared;
}

void ReleaseFile(SharedFile *file) {
    plat::LockEnter(&gListLock);
    const bool last = --file->shares == 0;
    if (last) {
        SharedFile **link = &gFiles;
        while (*link != file) link = &(*link)->next;
        *link = file->next;
    }
    plat::LockLeave(&gListLock);
    if (last) Destroy(file);
}

Line::Line(SharedFile &file) : file_(file) {
    plat::LockEnter(&file_.lock);
}

// The message about a failed reopen goes out after the lock is left: the
// host's message service may take its time or call back.
Line::~Line() {
    if (file_.file != nullptr) {
        std::fflush(file_.file);
        if (file_.size >= CapBytes()) Rotate(file_);
    }
    const int reopenError = file_.reopenError;
    file_.reopenError = 0;
    plat::LockLeave(&file_.lock);
    if (reopenError != 0) Emit(tracemsg::kTraceNotReopened, file_.path, reopenError);
}

void Line::Put(const char *text, std::size_t length) {
    if (file_.file == nullptr) return;
    file_.size += std::fwrite(text, 1, length, file_.file);
}

}  // namespace ordax::trace

namespace ordax {

void SetTraceCapForTests(std::uint32_t bytes) {
    trace::gCapForTests.store(bytes, std::memory_order_relaxed);
}

}  // namespace ordax
