#include "tests/soak/soak_plant.h"

#include <cstdio>

#include "tests/soak/soak_items.h"

namespace soak {

namespace {

constexpr int kIpsPerChannel = 40;  // last octet: 1 + channel * 40 + station

std::string Ip(const char *net, int channel, int station) {
    char text[32];
    std::snprintf(text, sizeof text, "%s.%d", net, 1 + channel * kIpsPerChannel + station);
    return text;
}

bool LoadInitialValues(plcsim::Station &plc, int salt) {
    for (const ItemSpec &item : kItems) {
        if (!PutSimValue(plc, item, InitialValue(item, salt))) return false;
    }
    return true;
}

}  // namespace

bool Plant::Build(std::string *error) {
    for (int c = 0; c < static_cast<int>(std::size(kChannelPlans)); ++c) {
        PlantChannel channel{kChannelPlans[c], {}};
        for (int n = 0; n < channel.plan.stations; ++n) {
            PlantStation st;
            // Stations 00, 01, 02, ...: those with an 8 or a 9 in their
            // number take every gate form as the others do.
            st.number = n;
            st.family = n % 2 == 0 ? plcsim::Family::Plc5 : plcsim::Family::Slc5;
            st.salt = c * 100 + n;
            st.ips.push_back(Ip("127.0.5", c, n));
            if (n < channel.plan.pairs) st.ips.push_back(Ip("127.0.6", c, n));
            for (const std::string &ip : st.ips) {
                const int handle = sim.AddStation({ip, st.family, "", 2222});
                if (handle < 0 || !LoadInitialValues(sim.station(handle), st.salt)) {
                    *error = ip + ": " + sim.LastError();
                    return false;
                }
                st.processors.push_back(handle);
                processors.push_back(handle);
            }
            if (st.processors.size() == 2) {
                st.pair = sim.AddHotBackupPair(st.processors[0], st.processors[1]);
                if (st.pair < 0) {
                    *error = "pair " + st.ips[0];
                    return false;
                }
            }
            channel.stations.push_back(st);
        }
        channels.push_back(channel);
    }
    if (!sim.Start()) {
        *error = "simulator did not start";
        return false;
    }
    return true;
}

std::vector<std::string> Plant::NodeLines(const PlantChannel &channel) const {
    char timing[64];
    std::snprintf(timing, sizeof timing, "T %u; %u; %u; %u;", kSuperviseMs, kLoopSleepMs,
                  kConnectMs, kSessionMs);
    std::vector<std::string> lines = {"* soak channel", timing};
    for (const PlantStation &st : channel.stations) {
        const char *type = st.family == plcsim::Family::Slc5 ? "SLC5" : "PLC5";
        char line[128];
        std::snprintf(line, sizeof line, "%02d = %s-%s", st.number, st.ips[0].c_str(), type);
        std::string text = line;
        if (st.ips.size() == 2) text += "," + st.ips[1] + ";" + type;
        lines.push_back(text);
    }
    return lines;
}

int Plant::ActiveProcessor(const PlantStation &station) const {
    return station.pair >= 0 ? sim.Master(station.pair) : station.processors[0];
}

}  // namespace soak
