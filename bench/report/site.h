// The simulated plant of the run: every station on loopback in one
// in-process simulator, the node files of every channel in a temporary
// current directory, and the host's message log.
#pragma once

#include <string>
#include <vector>

#include "bench/report/timing.h"
#include "testkit/host_channel.h"
#include "tools/plcsim/plcsim.h"

namespace bench {

// Channel 4: a PLC-5 (station 01) and an SLC 5 (station 02) for the data
// access figures.
inline constexpr int kAccessChannel = 4;
inline constexpr char kAccessPlc5Ip[] = "127.0.4.1";
inline constexpr char kAccessSlcIp[] = "127.0.4.2";
// Channel 5: the same two stations, opened with the frame trace on
// (ORDAX_TRACE names kTraceFile in the temporary directory).
inline constexpr int kTraceChannel = 5;
inline constexpr char kTraceFile[] = "trace-on.log";
// Channel 6: station 01 the access PLC-5 (whole frames), station 03 a PLC-5
// that sends the 28-byte header and the rest of every reply 1 ms apart, and
// station 04 a PLC-5 that sends replies in 1460-byte pieces 2 ms apart.
inline constexpr int kSplitChannel = 6;
inline constexpr char kSplitHeaderIp[] = "127.0.4.3";
inline constexpr char kSplitBlockIp[] = "127.0.4.4";
inline constexpr std::size_t kSplitHeaderPiece = 28;
inline constexpr std::size_t kSplitRest = 4096;     // the rest of any reply in one piece
inline constexpr std::size_t kSplitSegment = 1460;  // an Ethernet segment's payload
// Channel 21: stations 00..99 at 127.0.3.1..100, PLC-5 and SLC 5 in turn.
inline constexpr int kFleetChannel = 21;
inline constexpr int kFleetStations = 100;
// Channel 22: station 05, a hot-backup pair at 127.0.3.101 and .102; each
// processor holds its own mark in N7:0.
inline constexpr int kPairChannel = 22;
inline constexpr int kPairStation = 5;
inline constexpr char kPairIps[] = "127.0.3.101, 127.0.3.102";
// Channels 31..34: station 01 of each at 127.0.7.1..4.
inline constexpr int kParallelChannels = 4;
inline constexpr int kFirstParallelChannel = 31;
// Silent stations at 127.0.12.1..50: connects to them are never answered.
inline constexpr int kSilentStations = 50;
// Channels 23 and 24: 100 stations of which every tenth (23) or every
// second (24) is silent, the others the fleet's stations of the same
// number; "T 1000; 100; 1000; 1000;".
inline constexpr int kTenSilentChannel = 23;
inline constexpr int kFiftySilentChannel = 24;
inline constexpr char kSilentTimers[] = "T 1000; 100; 1000; 1000;";
// Half-open stations at 127.0.15.1..10: they accept, send 10 bytes of the
// session reply and hold the connection open without another byte.
// Channel 25: 100 stations of which every tenth is half-open, the others
// the fleet's; the same timers.
inline constexpr int kHalfOpenStations = 10;
inline constexpr int kTenHalfOpenChannel = 25;
// Channels 40..71: stations 00..98 each, answering, at 127.0.S.1..99 with S
// from 100 on, one set of stations per channel when the descriptor limit
// allows (see Site::HostChannelSets).
inline constexpr int kHostChannels = 32;
inline constexpr int kFirstHostChannel = 40;
inline constexpr int kHostChannelStations = 99;

class Site {
public:
    // Adds every station, starts the simulator and writes the node files;
    // false with the reason in `error`.
    bool Start(std::string &error);

    plcsim::Simulator &sim() { return sim_; }
    int pair() const { return pair_; }
    // The simulator's handles of the two stations that send pieces.
    int splitHeader() const { return splitHeader_; }
    int splitBlock() const { return splitBlock_; }
    // How many sets of 99 stations the host's 32 channels have: 32 (one
    // each) when the descriptor limit takes them, fewer when channels must
    // share a set (channel i uses set i % sets).
    int HostChannelSets() const { return hostSets_; }
    // The descriptor limit of the process after Start raised it.
    long DescriptorLimit() const { return descriptorLimit_; }
    // N7:0 of the processor that is master now.
    std::uint16_t MasterMark() const;
    static std::uint16_t OtherMark(std::uint16_t mark);

    void WriteNodeFile(int channel, const std::vector<std::string> &lines) const {
        dir_.Write(channel, lines);
    }

private:
    // The steps of Start: the stations in handle order, then the hot-backup
    // pair and the simulator's start, then the node files.
    bool AddStations(std::string &error);
    bool AddPairAndStart(std::string &error);
    void WriteNodeFiles() const;

    plcsim::Simulator sim_;
    ordax_test::NodeDir dir_;
    int pairBase_ = -1;
    int pair_ = -1;
    int splitHeader_ = -1;
    int splitBlock_ = -1;
    int hostSets_ = 0;
    long descriptorLimit_ = 0;
};

std::string FleetIp(int station);
std::string ParallelIp(int index);
std::string SilentIp(int index);
std::string HalfOpenIp(int index);
// A node file line "NN = address" (with "-SLC5" for an SLC 5).
std::string StationLine(int station, const std::string &ip, bool slc);

// The host's message log: quiet, but it keeps the moment of the last
// "Connected to" message.
void InstallMessageSink();
void RemoveMessageSink();
Clock::time_point LastConnectTime();

}  // namespace bench
