// A host's side of a channel: its 20000-byte block, commands 1 and 11 as
// a host issues them, and node files in a scratch current directory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "core/context.h"
#include "host/tamhub_gate.h"
#include "nodefile/node_file.h"
#include "ordax.h"
#include "testkit/scratch_dir.h"

namespace ordax_test {

// The block a host hands to the driver: 20000 bytes, suitably aligned.
struct alignas(16) HostBlock {
    unsigned char bytes[PDX_CONTEXT_SIZE];
    ordax::DriverContext &ctx() { return *reinterpret_cast<ordax::DriverContext *>(bytes); }
};

inline std::unique_ptr<HostBlock> NewHostBlock() {
    auto block = std::make_unique<HostBlock>();
    std::memset(block->bytes, 0xA5, sizeof block->bytes);
    return block;
}

// One call of the entry point, as a host makes it.
inline int HostCall(void *block, int command, int channel, void *args) {
    PdxCall call = TamHubPdxCall(block, command, channel, args);
    return PdxMain(&call);
}

// Command 1 as a host issues it.
inline int OpenCommand(HostBlock &block, int channel, std::int32_t openNow,
                       std::int32_t timeoutCs = 50) {
    OpenArgs args{};
    args.openNow = openNow;
    args.timeoutCs = timeoutCs;
    return HostCall(block.bytes, PDX_OPEN_CHANNEL, channel, &args);
}

inline int CloseCommand(HostBlock &block) {
    return HostCall(block.bytes, PDX_CLOSE_CHANNEL, 0, nullptr);
}

// A fresh scratch directory made the current directory for the fixture's
// life; node files are written into it. The previous current directory is
// restored, and the directory removed, only when they were changed and
// made.
class NodeDir {
public:
    explicit NodeDir(const char *prefix = "ordax-channel") : scratch_(prefix) {
        if (!scratch_.ok()) {
            error_ = scratch_.error();
            return;
        }
        std::error_code ec;
        previous_ = std::filesystem::current_path(ec);
        if (!ec) std::filesystem::current_path(scratch_.path(), ec);
        if (ec) {
            error_ = "cd " + scratch_.path().string() + ": " + ec.message();
            return;
        }
        entered_ = true;
    }
    ~NodeDir() {
        std::error_code ignored;
        if (entered_) std::filesystem::current_path(previous_, ignored);
    }
    NodeDir(const NodeDir &) = delete;
    NodeDir &operator=(const NodeDir &) = delete;

    // True when the directory was made and is the current one.
    bool ok() const { return entered_; }
    // Why not; empty when ok().
    const std::string &error() const { return error_; }
    const std::filesystem::path &path() const { return scratch_.path(); }
    // Writes "Ordax%.2d.int" of `channel` with the given lines.
    void Write(int channel, const std::vector<std::string> &lines) const {
        char name[ordax::kNodeFileNameCapacity];
        ordax::NodeFileName(channel, name);
        std::FILE *f = std::fopen((scratch_.path() / name).c_str(), "w");
        if (f == nullptr) return;
        for (const std::string &line : lines) std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }

private:
    ScratchDir scratch_;  // removed after the current directory is restored
    std::filesystem::path previous_;
    std::string error_;
    bool entered_ = false;
};

}  // namespace ordax_test
