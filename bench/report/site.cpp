#include "bench/report/site.h"

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "host/tamhub.h"

namespace bench {

namespace {

constexpr std::uint16_t kBaseMark = 0xAAAA;
constexpr std::uint16_t kStandbyMark = 0xBBBB;
constexpr char kConnected[] = "Ordax : Connected to";

// Descriptors the run needs besides the host's 32 channels and their
// stations: the other listeners, the silent stations' fillers, the files of
// the process, with room to spare (the 32 channels are measured alone).
constexpr long kOtherDescriptors = 1024;
constexpr long kHostConnections = kHostChannels * kHostChannelStations;

// "127.0.<a>.<b>", built by appending.
std::string Loopback(int a, int b) {
    std::string ip("127.0.");
    ip.append(std::to_string(a)).append(".").append(std::to_string(b));
    return ip;
}

std::string HostChannelIp(int set, int station) {
    return Loopback(100 + set, station + 1);
}

// Raises the soft descriptor limit towards what 32 sets of stations need
// (as far as the hard limit allows) and returns the limit then in force.
long RaiseDescriptorLimit() {
    const long wanted = kOtherDescriptors + 2 * kHostConnections +
                        static_cast<long>(kHostChannels) * kHostChannelStations;
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
    if (limit.rlim_cur < static_cast<rlim_t>(wanted)) {
        rlimit raised = limit;
        raised.rlim_cur = std::min(limit.rlim_max, static_cast<rlim_t>(wanted));
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
    }
    return static_cast<long>(limit.rlim_cur);
}

// Sets of 99 stations that fit the limit beside both ends of the 3168
// connections: at most 32, at least 1.
int HostSets(long descriptors) {
    const long left = descriptors - kOtherDescriptors - 2 * kHostConnections;
    return static_cast<int>(
        std::clamp(left / kHostChannelStations, 1L, static_cast<long>(kHostChannels)));
}

std::atomic<Clock::rep> gLastConnect{0};

void Sink(void *, int, const char *text) {
    if (std::strncmp(text, kConnected, sizeof kConnected - 1) == 0) {
        gLastConnect = Clock::now().time_since_epoch().count();
    }
}

// Every station of the run, with its family: {address, family}.
std::vector<plcsim::StationConfig> Stations() {
    std::vector<plcsim::StationConfig> all = {
        {kAccessPlc5Ip, plcsim::Family::Plc5, "", 2222},
        {kAccessSlcIp, plcsim::Family::Slc5, "", 2222},
    };
    for (int i = 0; i < kFleetStations; ++i) {
        all.push_back(
            {FleetIp(i), i % 2 == 0 ? plcsim::Family::Plc5 : plcsim::Family::Slc5, "", 2222});
    }
    for (int i = 0; i < kParallelChannels; ++i) {
        all.push_back({ParallelIp(i), plcsim::Family::Plc5, "", 2222});
    }
    for (int i = 0; i < kSilentStations; ++i) {
        all.push_back({SilentIp(i), plcsim::Family::Plc5, "", 2222, true});
    }
    return all;
}

// Station n of a channel with faulty stations: the k-th faulty station
// (`ip` of k) for every `every`-th n, the fleet's station n otherwise.
std::vector<std::string> FaultyChannel(int every, std::string (*ip)(int)) {
    std::vector<std::string> lines = {kSilentTimers};
    for (int n = 0, k = 0; n < kFleetStations; ++n) {
        lines.push_back(n % every == 0 ? StationLine(n, ip(k++), false)
                                       : StationLine(n, FleetIp(n), n % 2 != 0));
    }
    return lines;
}

}  // namespace

std::string FleetIp(int station) {
    return Loopback(3, station + 1);
}

std::string ParallelIp(int index) {
    return Loopback(7, index + 1);
}

std::string SilentIp(int index) {
    return Loopback(12, index + 1);
}

std::string HalfOpenIp(int index) {
    return Loopback(15, index + 1);
}

std::string StationLine(int station, const std::string &ip, bool slc) {
    char line[48];
    std::snprintf(line, sizeof line, "%02d = %s%s", station, ip.c_str(), slc ? "-SLC5" : "");
    return line;
}

bool Site::Start(std::string &error) {
    descriptorLimit_ = RaiseDescriptorLimit();
    hostSets_ = HostSets(descriptorLimit_);
    if (!AddStations(error) || !AddPairAndStart(error)) return false;
    WriteNodeFiles();
    return true;
}

bool Site::AddStations(std::string &error) {
    std::vector<plcsim::StationConfig> stations = Stations();
    for (int set = 0; set < hostSets_; ++set) {
        for (int n = 0; n < kHostChannelStations; ++n) {
            stations.push_back({HostChannelIp(set, n), plcsim::Family::Plc5, "=N7:10", 2222});
        }
    }
    for (const plcsim::StationConfig &config : stations) {
        if (sim_.AddStation(config) < 0) {
            error = sim_.LastError();
            return false;
        }
    }
    splitHeader_ = sim_.AddStation({kSplitHeaderIp, plcsim::Family::Plc5, "", 2222});
    splitBlock_ = sim_.AddStation({kSplitBlockIp, plcsim::Family::Plc5, "", 2222});
    for (int i = 0; i < kHalfOpenStations; ++i) {
        const int handle = sim_.AddStation({HalfOpenIp(i), plcsim::Family::Plc5, "", 2222});
        if (handle < 0) {
            error = sim_.LastError();
            return false;
        }
        sim_.station(handle).StallAfterBytes(10);
    }
    return true;
}

bool Site::AddPairAndStart(std::string &error) {
    pairBase_ = sim_.AddStation({"127.0.3.101", plcsim::Family::Plc5, "", 2222});
    const int standby = sim_.AddStation({"127.0.3.102", plcsim::Family::Plc5, "", 2222});
    pair_ = sim_.AddHotBackupPair(pairBase_, standby);
    if (pair_ < 0 || !sim_.Start() || !dir_.ok()) {
        error = dir_.ok() ? sim_.LastError() : "no temporary directory";
        return false;
    }
    sim_.station(pairBase_).SetWord({plcsim::FileType::N, 7, 0, 0}, kBaseMark);
    sim_.station(standby).SetWord({plcsim::FileType::N, 7, 0, 0}, kStandbyMark);
    return true;
}

void Site::WriteNodeFiles() const {
    dir_.Write(kSplitChannel,
               {"T 60000; 250; 5000; 5000;", std::string("01 = ") + kAccessPlc5Ip,
                std::string("03 = ") + kSplitHeaderIp, std::string("04 = ") + kSplitBlockIp});
    for (int channel : {kAccessChannel, kTraceChannel}) {
        dir_.Write(channel, {"T 60000; 250; 5000; 5000;", std::string("01 = ") + kAccessPlc5Ip,
                             std::string("02 = ") + kAccessSlcIp + "-SLC5"});
    }
    std::vector<std::string> fleet = {"T 5000; 250; 1000; 1000;"};
    for (int i = 0; i < kFleetStations; ++i) {
        fleet.push_back(StationLine(i, FleetIp(i), i % 2 != 0));
    }
    dir_.Write(kFleetChannel, fleet);
    for (int i = 0; i < kParallelChannels; ++i) {
        dir_.Write(kFirstParallelChannel + i,
                   {"T 60000; 250; 5000; 5000;", "01 = " + ParallelIp(i)});
    }
    dir_.Write(kTenSilentChannel, FaultyChannel(10, SilentIp));
    dir_.Write(kFiftySilentChannel, FaultyChannel(2, SilentIp));
    dir_.Write(kTenHalfOpenChannel, FaultyChannel(10, HalfOpenIp));
    for (int i = 0; i < kHostChannels; ++i) {
        std::vector<std::string> lines = {"T 60000; 250; 1000; 1000;"};
        for (int n = 0; n < kHostChannelStations; ++n) {
            lines.push_back(StationLine(n, HostChannelIp(i % hostSets_, n), false));
        }
        dir_.Write(kFirstHostChannel + i, lines);
    }
}

std::uint16_t Site::MasterMark() const {
    return sim_.Master(pair_) == pairBase_ ? kBaseMark : kStandbyMark;
}

std::uint16_t Site::OtherMark(std::uint16_t mark) {
    return mark == kBaseMark ? kStandbyMark : kBaseMark;
}

void InstallMessageSink() {
    TamHubSetMessageSink(&Sink, nullptr);
}

void RemoveMessageSink() {
    TamHubSetMessageSink(nullptr, nullptr);
}

Clock::time_point LastConnectTime() {
    return Clock::time_point(Clock::duration(gLastConnect.load()));
}

}  // namespace bench
