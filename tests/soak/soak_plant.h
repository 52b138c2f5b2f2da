// The simulated plant of the soak: three channels with 100 stations among
// them, PLC-5 and SLC 5/05 alternating, the first stations of each channel
// hot-backup pairs. Base processors listen on 127.0.5.x, standby
// processors on 127.0.6.x, all on port 2222.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/plcsim/plcsim.h"

namespace soak {

// Node file timers: supervise every second, a short pause after each walk,
// a second for connect and session. Reply time-out 1000 ms.
constexpr std::uint32_t kSuperviseMs = 1000;
constexpr std::uint32_t kLoopSleepMs = 50;
constexpr std::uint32_t kConnectMs = 1000;
constexpr std::uint32_t kSessionMs = 1000;
constexpr int kTimeoutCs = 100;
constexpr int kLongTimeoutCs = 120;  // what command 15 sets now and then

struct ChannelPlan {
    int number;    // host channel number: node file "OrdaxNN.int"
    int stations;  // how many, numbered from 00
    int pairs;     // the first ones have a standby processor
};
inline constexpr ChannelPlan kChannelPlans[] = {{61, 34, 4}, {62, 33, 4}, {63, 33, 3}};

struct PlantStation {
    int number = 0;  // station address in its channel
    plcsim::Family family = plcsim::Family::Plc5;
    int salt = 0;                  // makes its values differ from every other station's
    std::vector<int> processors;   // base, then standby
    int pair = -1;                 // the simulator's pair number, or -1
    std::vector<std::string> ips;  // of the processors
};

struct PlantChannel {
    ChannelPlan plan;
    std::vector<PlantStation> stations;
};

class Plant {
public:
    // Adds every processor with its initial values, forms the pairs and
    // starts the simulator. False with the simulator's error.
    bool Build(std::string *error);
    // The lines of the channel's node file.
    std::vector<std::string> NodeLines(const PlantChannel &channel) const;
    // The processor of a station the driver should end on: the pair's
    // master, or the only one.
    int ActiveProcessor(const PlantStation &station) const;

    plcsim::Simulator sim;
    std::vector<PlantChannel> channels;
    std::vector<int> processors;  // every handle
};

}  // namespace soak
