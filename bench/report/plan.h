// How much each measurement samples: the full run (under two minutes on a
// shared 2-core machine) and the quick run (a smoke test of every figure).
#pragma once

namespace bench {

struct Plan {
    const char *mode;
    int warmup;           // calls before any sample is kept
    int roundTripRounds;  // rounds of each side followed by a bare round trip
    int blockReads;       // reads per block size
    int allocationCalls;  // reads and writes counted for allocations
    int openRuns;         // command 1 with 100 stations (answering, 10 and 50 silent)
    int idleSeconds;      // channel thread CPU of an idle channel
    int switchRuns;       // hot-backup swaps per supervise interval
    int channelReads;     // single-word reads per channel and round
    int channelRounds;    // rounds of 1 channel, then 4 channels
    int hostChannelRuns;  // opens of 32 channels of 99 stations
    int splitReads;       // reads of each kind of reply in pieces, each beside a whole one
};

inline constexpr Plan kFullPlan{"full", 200, 5000, 5000, 1000, 5, 10, 5, 500, 40, 5, 300};
inline constexpr Plan kQuickPlan{"quick", 20, 200, 100, 100, 1, 2, 1, 200, 2, 1, 20};

}  // namespace bench
