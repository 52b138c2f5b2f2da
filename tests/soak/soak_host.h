// One host channel of the soak: its 20000-byte block, opened through
// PdxMain from its node file, its gates parsed with commands 3 and 4, and
// one thread that reads and writes them at random through commands 5, 6,
// 7 and 10, now and then parsing a gate again or changing the reply
// time-out (command 15), as a host does. Every read the driver reports
// done is checked against what the processor can hold; every break of an
// invariant is kept as a text.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ordax.h"
#include "testkit/host_channel.h"
#include "tests/soak/soak_faults.h"
#include "tests/soak/soak_model.h"
#include "tests/soak/soak_plant.h"

namespace soak {

enum Op { kRead, kWrite, kOps };

struct HostCounts {
    std::uint64_t results[kOps][3] = {};  // by host result 0, 1, 2
    std::uint64_t otherResults = 0;
    std::uint64_t checkedReads = 0;
    std::uint64_t parses = 0;
    std::uint64_t timeoutChanges = 0;
    std::uint64_t exchanges() const;
};

class SoakHost {
public:
    SoakHost(Plant &plant, const PlantChannel &channel, const FaultThread &faults,
             std::uint64_t randomStart);
    // A channel that command 1 opened is closed, also when a test ends
    // early: its thread must not outlive the block.
    ~SoakHost() {
        Stop();
        if (openIssued_) Close();
    }
    SoakHost(const SoakHost &) = delete;
    SoakHost &operator=(const SoakHost &) = delete;

    // Command 1, then every gate parsed; the first result that is not 0,
    // with a violation that says which.
    int Open();
    int Close();
    void Start();  // the random exchanges, until Stop()
    void Stop();

    // One read of every station, whatever comes of it: a connection the
    // plant closed is found dead and given back to the channel thread.
    void Probe();
    // Every written value written once more and read back, every other
    // value read; all of them must be done.
    void FinalRound();
    // The simulator's data against the model: every station's processor
    // (one of a pair's, or with `onMaster` the pair's master) holds a value
    // it can hold, and the fixed values are untouched everywhere.
    void CheckPlant(bool onMaster);

    ordax::DriverContext &ctx() { return block_->ctx(); }
    const PlantChannel &channel() const { return channel_; }
    const HostCounts &counts() const { return counts_; }
    const std::vector<std::string> &violations() const { return violations_; }

private:
    struct Gate {
        std::string text;
        GateRecord record{};
    };
    struct StationState {
        const PlantStation *plant;
        Gate gates[kItemCount];
        TrackedValue values[kItemCount];
        std::uint64_t writes[kItemCount] = {};
    };

    void Run();
    int Call(int command, void *args);
    int Exchange(Op op, const ItemSpec &item, Gate &gate, std::uint8_t *buffer);
    int ReadItem(StationState &st, int item);
    int WriteItem(StationState &st, int item);
    void Reparse(StationState &st, int item);
    void Violation(const StationState &st, const ItemSpec &item, const std::string &what);

    Plant &plant_;
    const PlantChannel &channel_;
    const FaultThread &faults_;
    std::mt19937_64 rng_;
    std::unique_ptr<ordax_test::HostBlock> block_ = ordax_test::NewHostBlock();
    std::vector<StationState> stations_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    HostCounts counts_;
    std::vector<std::string> violations_;
    bool openIssued_ = false;  // command 1 issued, command 11 not yet
};

}  // namespace soak
