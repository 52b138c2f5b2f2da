// The fault thread of the soak: injects a random fault into a random
// processor every few tens of milliseconds, takes the lasting ones back
// after a while, and raises the counter word of every processor. Stop()
// ends it and clears every fault, so the plant answers normally again.
#pragma once

#include <atomic>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/soak/soak_plant.h"

namespace soak {

enum class FaultKind {
    kLateReply,      // replies held back beyond the reply time-out, for a while
    kSwallow,        // the next requests carried out but never answered
    kWrongTns,       // a reply with another transaction number before the right one
    kSplitFrames,    // replies in small pieces, for a while
    kCloseMidFrame,  // the next reply cut off and the connection closed
    kDrop,           // every connection closed at once
    kRefuse,         // connections closed and refused, for a while
    kProgramMode,    // writes refused, for a while
    kSwapMaster,     // the standby of a pair becomes master
    kCount
};
constexpr int kFaultKinds = static_cast<int>(FaultKind::kCount);
const char *FaultName(FaultKind kind);

class FaultThread {
public:
    FaultThread(Plant &plant, std::uint64_t randomStart) : plant_(plant), rng_(randomStart) {}
    ~FaultThread() { Stop(); }
    FaultThread(const FaultThread &) = delete;
    FaultThread &operator=(const FaultThread &) = delete;

    void Start();
    void Stop();

    // The counter word's value last written to every processor. A read
    // that starts after this returns at least it, and at most one more
    // than the value published once the read is over.
    std::uint32_t published() const { return published_.load(std::memory_order_acquire); }
    const std::uint64_t *counts() const { return counts_; }  // per kind, once stopped

private:
    struct Lasting {
        std::uint32_t due;  // tick at which it is taken back
        int handle;
        FaultKind kind;
    };
    void Run();
    void Inject(FaultKind kind, int handle);
    void TakeBack(const Lasting &fault);
    void RaiseCounter();

    Plant &plant_;
    std::mt19937_64 rng_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<std::uint32_t> published_{0};
    std::vector<Lasting> lasting_;
    std::uint64_t counts_[kFaultKinds] = {};
};

}  // namespace soak
