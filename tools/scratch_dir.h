// A private scratch directory: made with mkdtemp under $TMPDIR (or /tmp),
// so that no two processes running side by side ever share one, and removed
// with everything in it when it goes. The command-line host writes its node
// files there, and so do the tests.
#pragma once

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace ordax_tools {

class ScratchDir {
public:
    // `prefix` names the directory: <TMPDIR>/<prefix>-XXXXXX.
    explicit ScratchDir(const char *prefix) {
        const char *base = std::getenv("TMPDIR");
        if (base == nullptr || *base == '\0') base = "/tmp";
        std::string pattern = std::string(base) + "/" + prefix + "-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            error_ = "mkdtemp " + pattern + ": " + std::strerror(errno);
            return;
        }
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    bool ok() const { return !path_.empty(); }
    // Why the directory could not be made; empty when it was.
    const std::string &error() const { return error_; }
    // Empty when the directory could not be made.
    const std::filesystem::path &path() const { return path_; }

private:
    std::filesystem::path path_;
    std::string error_;
};

}  // namespace ordax_tools
