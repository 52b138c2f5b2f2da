// Shared helpers of the channel tests: a host's channel block, node files in
// a temporary current directory, the relevant operator messages, station
// snapshots taken under the station's lock, and counts of the process's
// threads and descriptors.
#pragma once

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/relaxed.h"
#include "link/link.h"
#include "ordax.h"
#include "platform/clock.h"
#include "platform/lock.h"
#include "tests/support/messages.h"

namespace chantest {

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

// The driver never releases a client name; the test host keeps every one
// reachable until the process ends, as a real host keeps its driver loaded
// (the list itself is never destroyed, so the leak check still sees it).
inline std::vector<char *> &RetainedClientNames() {
    static auto *names = new std::vector<char *>;
    return *names;
}

// Command 1 as a host issues it.
inline int OpenCommand(HostBlock &block, int channel, std::int32_t openNow,
                       std::int32_t timeoutCs = 50) {
    OpenArgs args{};
    args.openNow = openNow;
    args.timeoutCs = timeoutCs;
    PdxCall call{};
    call.driverContext = block.bytes;
    call.command = PDX_OPEN_CHANNEL;
    call.channel = channel;
    call.args = &args;
    const int result = PdxMain(&call);
    if (block.ctx().clientName != nullptr) RetainedClientNames().push_back(block.ctx().clientName);
    return result;
}

inline int CloseCommand(HostBlock &block) {
    PdxCall call{};
    call.driverContext = block.bytes;
    call.command = PDX_CLOSE_CHANNEL;
    return PdxMain(&call);
}

// A host read of N7:0 at `station`, taking the station's lock.
inline ordax::LinkResult ReadN7(ordax::DriverContext &ctx, int station,
                                std::uint16_t *value = nullptr) {
    ordax::Transaction txn{};
    txn.function = ordax::ReadSingleWord;
    txn.station = static_cast<std::uint8_t>(station);
    txn.fileType = ordax::kFileN;
    txn.fileNumber = 7;
    txn.count = 1;
    txn.bit = ordax::kNoBit;
    const ordax::LinkResult result = ordax::Transact(ctx, txn, nullptr, ordax::kTakeStationLock);
    if (value != nullptr) *value = txn.data[0];
    return result;
}

// A fresh temporary directory made the current directory for the
// fixture's life; node files are written into it.
class NodeDir {
public:
    NodeDir() {
        char pattern[] = "/tmp/ordax-channel-XXXXXX";
        const char *made = ::mkdtemp(pattern);
        if (made != nullptr) path_ = made;
        previous_ = std::filesystem::current_path();
        if (!path_.empty()) std::filesystem::current_path(path_);
    }
    ~NodeDir() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    NodeDir(const NodeDir &) = delete;
    NodeDir &operator=(const NodeDir &) = delete;

    bool ok() const { return !path_.empty(); }
    // Writes "Ordax%.2d.int" of `channel` with the given lines.
    void Write(int channel, const std::vector<std::string> &lines) const {
        char name[32];
        std::snprintf(name, sizeof name, "Ordax%.2d.int", channel);
        std::FILE *f = std::fopen((std::filesystem::path(path_) / name).c_str(), "w");
        if (f == nullptr) return;
        for (const std::string &line : lines) std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }

private:
    std::string path_;
    std::filesystem::path previous_;
};

// The messages of connection attempts, hot-backup switch-over and
// master-flag reads, in the order they came, as "level|text".
inline std::vector<std::string> PassMessages(const ordax_test::MessageCapture &log) {
    static const char *const kPrefixes[] = {
        "Ordax : Connected to ", "Ordax : Failure connecting to ", "Ordax : Connect Failed attempt",
        "Ordax : Master Flag",   "Ordax : Read Master Flag",
    };
    std::vector<std::string> out;
    for (const ordax_test::Message &m : log.All()) {
        for (const char *prefix : kPrefixes) {
            if (m.text.rfind(prefix, 0) == 0) {
                out.push_back(std::to_string(m.level) + "|" + m.text);
                break;
            }
        }
    }
    return out;
}

inline int CountMessages(const ordax_test::MessageCapture &log, const std::string &text) {
    int n = 0;
    for (const ordax_test::Message &m : log.All()) n += m.text == text ? 1 : 0;
    return n;
}

// What the tests look at in a station, copied under its lock while a
// channel thread may be working on it.
struct StationView {
    std::int32_t plcType;
    std::int32_t onStandby;
    plat::Socket socket;
    std::string address;
};

inline StationView ViewLocked(ordax::StationEntry &st) {
    plat::LockEnter(&st.lock);
    StationView v{st.plcType, st.onStandby, st.socket,
                  std::string(st.address, strnlen(st.address, sizeof st.address))};
    plat::LockLeave(&st.lock);
    return v;
}

// Polls `done` every 10 ms for at most `limitMs`; true once it holds.
inline bool WaitUntil(const std::function<bool()> &done, std::uint32_t limitMs) {
    const std::uint32_t start = plat::TickCount();
    while (!done()) {
        if (!plat::TickWithin(start, limitMs)) return false;
        plat::SleepMs(10);
    }
    return true;
}

inline int CountDirEntries(const char *path) {
    DIR *dir = ::opendir(path);
    if (dir == nullptr) return -1;
    int n = 0;
    while (dirent *e = ::readdir(dir)) n += e->d_name[0] == '.' ? 0 : 1;
    ::closedir(dir);
    return n;
}

inline int ThreadCount() {
    return CountDirEntries("/proc/self/task");
}

// Open descriptors, less the one the count itself holds.
inline int DescriptorCount() {
    return CountDirEntries("/proc/self/fd") - 1;
}

}  // namespace chantest
