#include "bench/report/site.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "host/tamhub.h"

namespace bench {

namespace {

constexpr std::uint16_t kBaseMark = 0xAAAA;
constexpr std::uint16_t kStandbyMark = 0xBBBB;
constexpr char kConnected[] = "Ordax : Connected to";

std::string FleetIp(int station) {
    return "127.0.3." + std::to_string(station + 1);
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
    return all;
}

}  // namespace

std::string ParallelIp(int index) {
    return "127.0.7." + std::to_string(index + 1);
}

bool Site::Start(std::string &error) {
    for (const plcsim::StationConfig &config : Stations()) {
        if (sim_.AddStation(config) < 0) {
            error = sim_.LastError();
            return false;
        }
    }
    pairBase_ = sim_.AddStation({"127.0.3.101", plcsim::Family::Plc5, "", 2222});
    const int standby = sim_.AddStation({"127.0.3.102", plcsim::Family::Plc5, "", 2222});
    pair_ = sim_.AddHotBackupPair(pairBase_, standby);
    if (pair_ < 0 || !sim_.Start() || !dir_.ok()) {
        error = dir_.ok() ? sim_.LastError() : "no temporary directory";
        return false;
    }
    sim_.station(pairBase_).SetWord({plcsim::FileType::N, 7, 0, 0}, kBaseMark);
    sim_.station(standby).SetWord({plcsim::FileType::N, 7, 0, 0}, kStandbyMark);

    dir_.Write(kAccessChannel, {"T 60000; 250; 5000; 5000;", std::string("01 = ") + kAccessPlc5Ip,
                                std::string("02 = ") + kAccessSlcIp + "-SLC5"});
    std::vector<std::string> fleet = {"T 5000; 250; 1000; 1000;"};
    for (int i = 0; i < kFleetStations; ++i) {
        char line[48];
        std::snprintf(line, sizeof line, "%02d = %s%s", i, FleetIp(i).c_str(),
                      i % 2 == 0 ? "" : "-SLC5");
        fleet.push_back(line);
    }
    dir_.Write(kFleetChannel, fleet);
    for (int i = 0; i < kParallelChannels; ++i) {
        dir_.Write(kFirstParallelChannel + i,
                   {"T 60000; 250; 5000; 5000;", "01 = " + ParallelIp(i)});
    }
    return true;
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
