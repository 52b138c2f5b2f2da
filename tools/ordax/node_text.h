// A node file's text read by the driver's own line, timing and station
// rules (nodefile/, linked into the tool), for display, with warnings about
// lines the driver reads differently from what their author probably meant.
// Which stations an open accepts is still asked of the driver itself.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ordax_cli {

enum class Family { kPlc5, kSlc5 };

const char *FamilyName(Family family);  // "PLC-5" or "SLC 5"

struct StationSetting {
    int line = 0;  // line of the file that set it last
    std::string base;
    Family baseFamily = Family::kPlc5;
    std::string standby;  // empty: no hot-backup partner
    Family standbyFamily = Family::kPlc5;
};

struct Timings {
    std::uint32_t superviseInterval = 5000;
    std::uint32_t loopSleep = 250;
    std::uint32_t connectTimeout = 5000;
    std::uint32_t sessionTimeout = 5000;
};

struct NodeWarning {
    int line;  // 1-based line of the file
    std::string text;
};

struct NodeFileText {
    std::map<int, StationSetting> stations;  // by station number
    Timings timings;
    std::vector<NodeWarning> warnings;  // in line order
};

// Reads the bytes of a node file as the driver reads the file.
NodeFileText ReadNodeText(const std::string &bytes);

}  // namespace ordax_cli
