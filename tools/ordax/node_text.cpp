#include "tools/ordax/node_text.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

#include "core/codes.h"
#include "nodefile/node_file.h"

namespace ordax_cli {

namespace {

constexpr std::size_t kAddressMax = ordax::kNodeAddressMax;

// One line as the driver's reader returned it.
struct Line {
    int number;
    const char *text;  // the kept characters, terminated
    bool cut;          // kept characters after the 135th were dropped
};

char Upper(char c) {
    return ordax::UpperAscii(c);
}

bool SameText(const std::string &text, const char *upper) {
    if (text.size() != std::strlen(upper)) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (Upper(text[i]) != upper[i]) return false;
    }
    return true;
}

bool StartsWithText(const std::string &text, const char *upper) {
    const std::size_t n = std::strlen(upper);
    return text.size() >= n && SameText(text.substr(0, n), upper);
}

Family FamilyOfType(std::int32_t plcType) {
    return plcType == ordax::kSlc5 ? Family::kSlc5 : Family::kPlc5;
}

// The driver's reading, and what the tool keeps of it besides.
struct Reading {
    ordax::DriverContext ctx{};
    NodeFileText out;
};

// The names the warnings give the settings, in the order a line gives them.
constexpr const char *kTimingNames[] = {"supervise interval", "loop sleep", "connect time-out",
                                        "session time-out"};
static_assert(std::size(kTimingNames) == std::size(ordax::kTimingLineSettings));

// The driver applies the line; a value it took differently from what it
// says, and a value without its closing ';', are warned about.
void ApplyTiming(const Line &line, Reading &reading) {
    ordax::ApplyTimingLine(line.text, &reading.ctx.timers);
    const std::string text = line.text;
    std::size_t pos = 1;
    for (std::size_t i = 0; i < std::size(kTimingNames); ++i) {
        const std::size_t end = text.find(ordax::kTimingValueEnd, pos);
        if (end == std::string::npos) {
            if (pos < text.size()) {
                reading.out.warnings.push_back({line.number, "timing value '" + text.substr(pos) +
                                                                 "' has no closing ';': ignored"});
            }
            return;
        }
        const std::string value = text.substr(pos, end - pos);
        const std::uint32_t taken = reading.ctx.timers.*ordax::kTimingLineSettings[i].field;
        if (!value.empty() &&
            taken != static_cast<std::uint32_t>(ordax::TimingValue(value.c_str()))) {
            reading.out.warnings.push_back({line.number, std::string(kTimingNames[i]) + " '" +
                                                             value + "' is taken as " +
                                                             std::to_string(taken) + " ms"});
        }
        pos = end + 1;
    }
}

// A lower-case 't' followed only by what a timing line holds.
bool LooksLikeTiming(const char *text) {
    const std::string line = text;
    if (line.size() < 2 || line[0] != 't') return false;
    return line.find_first_not_of("0123456789;+-", 1) == std::string::npos;
}

// A station line as the driver splits it, with what the warnings ask of it.
struct StationParts {
    char copy[ordax::kNodeLineCapacity] = {};
    ordax::StationLineParts split{};
    bool hasAddress = false;  // something follows the separator
    int dashes = 0;           // '-' from the address on
    std::string baseType;
    std::string standbyType;
};

void SplitStation(const char *line, StationParts &parts) {
    std::snprintf(parts.copy, sizeof parts.copy, "%s", line);
    parts.hasAddress = ordax::SplitStationLine(parts.copy, &parts.split);
    if (!parts.hasAddress) return;
    const std::size_t from = static_cast<std::size_t>(parts.split.base - parts.copy);
    for (const char *c = line + from; *c != '\0'; ++c) {
        if (*c == ordax::kBaseTypeStart) ++parts.dashes;
    }
    if (parts.split.baseType != nullptr) parts.baseType = parts.split.baseType;
    if (parts.split.standbyType != nullptr) parts.standbyType = parts.split.standbyType;
}

bool IsTypeText(const std::string &type) {
    return SameText(type, "SLC5") || SameText(type, "PLC5");
}

void BaseTypeWarning(const Line &line, const StationParts &parts, Family family,
                     NodeFileText &out) {
    const ordax::StationLineParts &s = parts.split;
    if (s.baseType == nullptr) return;
    const std::string familyName = FamilyName(family);
    if (s.standby != nullptr && s.baseType > s.standby) {
        out.warnings.push_back({line.number,
                                "the '-' after the standby address sets the base address's type"
                                " (read as " +
                                    familyName + "); a standby's type follows ';'"});
    } else if (parts.dashes > 1 ||
               (!IsTypeText(parts.baseType) && !StartsWithText(parts.baseType, "SLC") &&
                !StartsWithText(parts.baseType, "PLC"))) {
        out.warnings.push_back({line.number, "'-' splits the address: read as the address '" +
                                                 std::string(s.base) + "' with the type text '" +
                                                 parts.baseType + "' (" + familyName +
                                                 "); a host name cannot contain '-'"});
    } else if (!IsTypeText(parts.baseType)) {
        out.warnings.push_back({line.number, "type text '" + parts.baseType +
                                                 "' is neither SLC5 nor PLC5: read as PLC-5"});
    }
}

void StandbyTypeWarning(const Line &line, const StationParts &parts, NodeFileText &out) {
    if (parts.split.standbyType == nullptr) return;
    if (parts.split.standby == nullptr) {
        out.warnings.push_back({line.number, "';" + parts.standbyType +
                                                 "' without a ',standby' address has no effect"});
    } else if (!IsTypeText(parts.standbyType)) {
        out.warnings.push_back({line.number, "standby type text '" + parts.standbyType +
                                                 "' is neither SLC5 nor PLC5: read as PLC-5"});
    }
}

// A station number of one digit, or a digit where the separator stands.
void NumberWarning(const Line &line, const StationParts &parts, NodeFileText &out) {
    const char *text = line.text;
    char number[8];
    std::snprintf(number, sizeof number, "%02d", parts.split.station);
    const std::string address =
        parts.hasAddress ? " with the address '" + std::string(parts.split.base) + "'" : "";
    if (!ordax::IsDigit(text[1])) {
        out.warnings.push_back({line.number, "one-digit station: read as station " +
                                                 std::string(number) + address +
                                                 "; write the station with two digits"});
    } else if (ordax::IsDigit(text[2])) {
        out.warnings.push_back({line.number, "the third character '" + std::string(1, text[2]) +
                                                 "' is the separator: read as station " + number +
                                                 address});
    }
}

// Why the driver skipped a line it could split: an address too long.
std::string LongAddress(const StationParts &parts) {
    const bool base = std::strlen(parts.split.base) > kAddressMax;
    return "line skipped: the " + std::string(base ? "address" : "standby address") + " '" +
           (base ? parts.split.base : parts.split.standby) + "' is longer than 31 characters";
}

void Repeated(const Line &line, const StationParts &parts, const StationSetting &first,
              NodeFileText &out) {
    char number[8];
    std::snprintf(number, sizeof number, "%02d", parts.split.station);
    std::string text = "station " + std::string(number) + " is given again (first on line " +
                       std::to_string(first.line) + "): this line wins";
    if (parts.split.standby == nullptr && !first.standby.empty()) {
        text += ", the standby address '" + first.standby + "' stays";
    }
    out.warnings.push_back({line.number, text});
}

// The driver applies the line; the tool notes which line set the station
// and what the line probably meant.
void ApplyStation(const Line &line, Reading &reading) {
    NodeFileText &out = reading.out;
    StationParts parts;
    SplitStation(line.text, parts);
    NumberWarning(line, parts, out);
    if (!parts.hasAddress) {
        out.warnings.push_back({line.number, "line skipped: no address after the separator"});
        return;
    }
    if (!ordax::ApplyStationLine(line.text, &reading.ctx)) {
        out.warnings.push_back({line.number, LongAddress(parts)});
        return;
    }
    const ordax::StationEntry &entry = reading.ctx.stations[parts.split.station];
    BaseTypeWarning(line, parts, FamilyOfType(entry.basePlcType), out);
    StandbyTypeWarning(line, parts, out);
    auto found = out.stations.find(parts.split.station);
    if (found != out.stations.end()) Repeated(line, parts, found->second, out);
    StationSetting &setting = out.stations[parts.split.station];
    setting.line = line.number;
    setting.base = entry.baseAddress;
    setting.baseFamily = FamilyOfType(entry.basePlcType);
    if (entry.standbyPlcType != 0) {
        setting.standby = entry.standbyAddress;
        setting.standbyFamily = FamilyOfType(entry.standbyPlcType);
    }
}

void ApplyLine(const Line &line, Reading &reading) {
    if (line.cut) {
        reading.out.warnings.push_back(
            {line.number, "line longer than 135 visible characters: the rest is dropped"});
    }
    switch (ordax::KindOfNodeLine(line.text)) {
        case ordax::NodeLineKind::kTiming:
            ApplyTiming(line, reading);
            break;
        case ordax::NodeLineKind::kStation:
            ApplyStation(line, reading);
            break;
        case ordax::NodeLineKind::kComment:
            if (LooksLikeTiming(line.text)) {
                reading.out.warnings.push_back(
                    {line.number,
                     "lower-case 't': read as a comment; a timing line starts with 'T'"});
            }
            break;
    }
}

// The kept bytes of bytes [from, to): more than a line holds means the
// driver's reader dropped the rest.
bool Cut(const std::string &bytes, long from, long to) {
    int kept = 0;
    for (long i = from; i < to && i < static_cast<long>(bytes.size()); ++i) {
        if (ordax::IsNodeLineByte(static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]))) {
            ++kept;
        }
    }
    return kept > ordax::kNodeLineMax;
}

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};

}  // namespace

const char *FamilyName(Family family) {
    return family == Family::kSlc5 ? "SLC 5" : "PLC-5";
}

// The bytes go through a temporary file, so that the driver's line reader
// reads them as it reads a node file.
NodeFileText ReadNodeText(const std::string &bytes) {
    auto reading = std::make_unique<Reading>();
    reading->ctx.timers = ordax::kDefaultTimers;
    std::unique_ptr<std::FILE, FileCloser> file(std::tmpfile());
    if (file == nullptr) return reading->out;
    std::fwrite(bytes.data(), 1, bytes.size(), file.get());
    std::rewind(file.get());
    char text[ordax::kNodeLineCapacity];
    long start = 0;
    for (int number = 1; ordax::ReadNodeLine(file.get(), text); ++number) {
        const long end = std::ftell(file.get());
        ApplyLine(Line{number, text, Cut(bytes, start, end)}, *reading);
        start = end;
    }
    const ordax::ChannelTimers &t = reading->ctx.timers;
    reading->out.timings = {t.superviseInterval, t.loopSleep, t.connectTimeout, t.sessionTimeout};
    return reading->out;
}

}  // namespace ordax_cli
