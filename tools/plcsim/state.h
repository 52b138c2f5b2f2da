// Internal state of the simulator: stations, faults, connections. Everything here is guarded
// by Simulator::Impl::mutex; functions named ..._Locked expect the caller to hold it.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <queue>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "tools/plcsim/plcsim.h"
#include "tools/plcsim/tables.h"

namespace plcsim {

// Requests answered with a forced status when they start at this address.
struct ForcedAt {
    int file;
    int element;
    int sub;
    Status status;
};

// Switchable misbehaviour of one station.
struct Faults {
    int delayMs = 0;                // every reply held back this long
    int swallow = 0;                // PCCC requests still to leave unanswered
    PreReply pre = PreReply::None;  // frame sent before the right reply
    int preCount = 0;               // requests still affected; < 0 = all
    std::vector<size_t> split;      // reply piece sizes, the last repeated; empty = whole frames
    int splitPauseMs = 0;
    std::optional<size_t> closeAfter;  // next reply: bytes to send before closing
    bool resetOnClose = false;         // that close resets the connection (RST, not FIN)
    std::optional<size_t> stallAfter;  // first frame of every connection: bytes sent, then none
    bool sessionSilent = false;
    int sessionDataLength = 0;
    std::optional<Status> forceNext;
    std::vector<ForcedAt> forceAt;
    bool programMode = false;
    size_t maxDataBytes = 0;  // 0 = no limit
    Status maxRefusal{kStsIllegalCommand, 0};
};

inline constexpr size_t kHistoryDepth = 64;

struct StationState {
    int handle = -1;
    StationConfig config;
    DataTable tables;
    Faults faults;
    Counters counters;
    std::deque<RequestRecord> history;
    int listenFd = -1;
    bool accepting = true;
    bool silent = false;  // the listener's queue is kept full: SYNs are dropped
    int fillerFd = -1;    // silent: the connection that fills the listener's queue
    uint32_t nextSession = 0;
};

// One piece of outgoing bytes, not to be sent before `notBefore` (monotonic ms).
struct Chunk {
    std::vector<uint8_t> bytes;
    uint64_t notBefore = 0;
    bool closeAfter = false;
    bool reset = false;      // closeAfter with a reset (RST)
    bool endsFrame = false;  // last piece of a frame
};

struct Conn {
    uint64_t id = 0;
    int fd = -1;
    int station = -1;
    std::vector<uint8_t> in;
    size_t inStart = 0;
    uint32_t session = 0;  // 0 = no session yet
    std::deque<Chunk> out;
    size_t outOffset = 0;     // bytes of out.front() already sent
    uint64_t lastQueued = 0;  // notBefore of the last chunk queued
    size_t queuedFrames = 0;  // frames in `out` not yet sent completely
    bool watchingWrite = false;
    bool stalled = false;  // a stall fault cut a frame: nothing more is sent here
};

uint64_t NowMs();

struct Simulator::Impl {
    mutable std::mutex mutex;
    std::vector<std::unique_ptr<StationState>> states;
    std::vector<std::unique_ptr<Station>> handles;
    std::vector<std::pair<int, int>> pairs;  // (master, other) as created; master tracked by N31
    std::unordered_map<uint64_t, Conn> conns;
    std::priority_queue<std::pair<uint64_t, uint64_t>, std::vector<std::pair<uint64_t, uint64_t>>,
                        std::greater<>>
        timers;  // (time, connection id)
    uint64_t nextConnId = 1;
    int epollFd = -1;
    int wakeFd = -1;
    std::thread thread;
    std::atomic<bool> running{false};
    std::atomic<bool> stopping{false};
    std::string lastError;
    WireLogSink wireLog;
    std::vector<std::string> pendingLog;  // wire-log texts to hand out after unlocking

    StationState *StateLocked(int handle) {
        if (handle < 0 || static_cast<size_t>(handle) >= states.size()) return nullptr;
        return states[static_cast<size_t>(handle)].get();
    }
};

}  // namespace plcsim
