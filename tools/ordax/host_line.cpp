#include "tools/ordax/host_line.h"

#include "nodefile/node_file.h"

namespace ordax_cli {

namespace {

// The characters a station line splits its address at, and what each
// starts there.
struct Splitter {
    char c;
    const char *starts;
};

constexpr Splitter kSplitters[] = {
    {ordax::kStandbyStart, "the standby address"},
    {ordax::kBaseTypeStart, "the station's type"},
    {ordax::kStandbyTypeStart, "the standby's type"},
};

}  // namespace

std::string HostLineProblem(const std::string &host) {
    const std::string named = "'" + host + "'";
    if (host.empty()) return "no host name";
    for (char c : host) {
        if (!ordax::IsNodeLineByte(static_cast<unsigned char>(c))) {
            return named + ": a node line drops blanks, control characters and bytes above 127";
        }
        for (const Splitter &s : kSplitters) {
            if (c == s.c) {
                return named + ": '" + std::string(1, c) + "' in a node line starts " + s.starts +
                       ", so the driver cannot reach that name; give its IP address";
            }
        }
    }
    if (!ordax::IsAlnum(host[0])) {
        return named + ": a node line's address starts with a letter or a digit";
    }
    if (host.size() > ordax::kNodeAddressMax) {
        return named + ": " + std::to_string(host.size()) +
               " characters, a node line's address holds at most " +
               std::to_string(ordax::kNodeAddressMax);
    }
    return "";
}

}  // namespace ordax_cli
