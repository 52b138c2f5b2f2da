#include "tools/ordax/node_text.h"

#include <cstring>

namespace ordax_cli {

namespace {

constexpr int kLineMax = 135;            // visible characters the driver keeps of a line
constexpr std::size_t kAddressMax = 31;  // characters of an address text
constexpr int kFirstAddressChar = 3;

struct Line {
    int number;
    std::string text;  // the kept characters
    bool cut;          // characters after the 135th were dropped
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsAlnum(char c) {
    return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
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

// Only bytes 33..127 are kept; a line feed ends a line; a line keeps its
// first 135 characters; a last line without a line feed counts when it kept
// something.
std::vector<Line> SplitLines(const std::string &bytes) {
    std::vector<Line> lines;
    Line current{1, {}, false};
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\n') {
            lines.push_back(current);
            current = Line{current.number + 1, {}, false};
        } else if (byte >= 33 && byte <= 127) {
            if (current.text.size() < static_cast<std::size_t>(kLineMax)) {
                current.text += c;
            } else {
                current.cut = true;
            }
        }
    }
    if (!current.text.empty()) lines.push_back(current);
    return lines;
}

// Like atol, with the magnitude held at the 32-bit range.
std::uint32_t LongValue(const std::string &text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 2147483648LL) value = 2147483648LL;
    }
    if (negative) return static_cast<std::uint32_t>(static_cast<std::int32_t>(-value));
    return static_cast<std::uint32_t>(value > 2147483647LL ? 2147483647LL : value);
}

// The driver holds the connect and session time-outs to a minute: a
// negative value or one above 60000 is taken as 60000.
constexpr std::uint32_t kLongestWaitMs = 60000;

void ApplyTiming(const Line &line, NodeFileText &out) {
    struct Setting {
        std::uint32_t *value;
        const char *boundedName;  // null: not held to a minute
    } settings[] = {{&out.timings.superviseInterval, nullptr},
                    {&out.timings.loopSleep, nullptr},
                    {&out.timings.connectTimeout, "connect time-out"},
                    {&out.timings.sessionTimeout, "session time-out"}};
    std::size_t pos = 1;
    for (const Setting &setting : settings) {
        const std::size_t end = line.text.find(';', pos);
        if (end == std::string::npos) {
            if (pos < line.text.size()) {
                out.warnings.push_back({line.number, "timing value '" + line.text.substr(pos) +
                                                         "' has no closing ';': ignored"});
            }
            return;
        }
        if (end != pos) {
            const std::string text = line.text.substr(pos, end - pos);
            *setting.value = LongValue(text);
            if (setting.boundedName != nullptr && *setting.value > kLongestWaitMs) {
                *setting.value = kLongestWaitMs;
                out.warnings.push_back({line.number, std::string(setting.boundedName) + " '" +
                                                         text + "' is taken as 60000 ms"});
            }
        }
        pos = end + 1;
    }
}

// A lower-case 't' followed only by what a timing line holds.
bool LooksLikeTiming(const std::string &text) {
    if (text.size() < 2 || text[0] != 't') return false;
    return text.find_first_not_of("0123456789;+-", 1) == std::string::npos;
}

// The pieces of a station line, split as the driver splits it.
struct StationParts {
    int station = 0;
    std::string base;
    bool hasBaseType = false;
    std::string baseType;
    int dashes = 0;
    bool dashAfterStandby = false;
    bool hasStandby = false;
    std::string standby;
    bool hasStandbyType = false;
    std::string standbyType;
};

// The first ',' starts the standby; every '-' (the last wins) starts the
// base type and every ';' (the last wins) the standby type; each of them
// ends the piece before it. False when nothing follows the separator.
bool SplitStation(const std::string &text, StationParts &parts) {
    parts.station = text[0] - '0';
    if (text.size() > 1 && IsDigit(text[1])) parts.station = parts.station * 10 + (text[1] - '0');
    if (text.size() < 3) return false;
    std::size_t p = kFirstAddressChar;
    while (p < text.size() && !IsAlnum(text[p])) ++p;
    if (p >= text.size()) return false;
    std::string *piece = &parts.base;
    for (; p < text.size(); ++p) {
        const char c = text[p];
        if (c == ',' && !parts.hasStandby) {
            parts.hasStandby = true;
            piece = &parts.standby;
        } else if (c == '-') {
            parts.hasBaseType = true;
            parts.baseType.clear();
            ++parts.dashes;
            parts.dashAfterStandby = parts.hasStandby;
            piece = &parts.baseType;
        } else if (c == ';') {
            parts.hasStandbyType = true;
            parts.standbyType.clear();
            piece = &parts.standbyType;
        } else {
            *piece += c;
        }
    }
    return true;
}

Family FamilyOf(bool has, const std::string &type) {
    return has && SameText(type, "SLC5") ? Family::kSlc5 : Family::kPlc5;
}

bool IsTypeText(const std::string &type) {
    return SameText(type, "SLC5") || SameText(type, "PLC5");
}

void TypeWarnings(const Line &line, const StationParts &parts, NodeFileText &out) {
    const int n = line.number;
    if (parts.hasBaseType && parts.dashAfterStandby) {
        out.warnings.push_back({n,
                                "the '-' after the standby address sets the base address's type"
                                " (read as " +
                                    std::string(FamilyName(FamilyOf(true, parts.baseType))) +
                                    "); a standby's type follows ';'"});
    } else if (parts.hasBaseType &&
               (parts.dashes > 1 ||
                (!IsTypeText(parts.baseType) && !StartsWithText(parts.baseType, "SLC") &&
                 !StartsWithText(parts.baseType, "PLC")))) {
        out.warnings.push_back({n, "'-' splits the address: read as the address '" + parts.base +
                                       "' with the type text '" + parts.baseType + "' (" +
                                       FamilyName(FamilyOf(true, parts.baseType)) +
                                       "); a host name cannot contain '-'"});
    } else if (parts.hasBaseType && !IsTypeText(parts.baseType)) {
        out.warnings.push_back(
            {n, "type text '" + parts.baseType + "' is neither SLC5 nor PLC5: read as PLC-5"});
    }
    if (parts.hasStandbyType && !parts.hasStandby) {
        out.warnings.push_back(
            {n, "';" + parts.standbyType + "' without a ',standby' address has no effect"});
    } else if (parts.hasStandbyType && !IsTypeText(parts.standbyType)) {
        out.warnings.push_back({n, "standby type text '" + parts.standbyType +
                                       "' is neither SLC5 nor PLC5: read as PLC-5"});
    }
}

void ApplyStation(const Line &line, NodeFileText &out) {
    const std::string &text = line.text;
    const int n = line.number;
    StationParts parts;
    const bool split = SplitStation(text, parts);
    char number[8];
    std::snprintf(number, sizeof number, "%02d", parts.station);
    if (text.size() < 2 || !IsDigit(text[1])) {
        out.warnings.push_back({n, "one-digit station: read as station " + std::string(number) +
                                       (split ? " with the address '" + parts.base + "'" : "") +
                                       "; write the station with two digits"});
    } else if (text.size() > 2 && IsDigit(text[2])) {
        out.warnings.push_back({n, "the third character '" + text.substr(2, 1) +
                                       "' is the separator: read as station " + number +
                                       (split ? " with the address '" + parts.base + "'" : "")});
    }
    if (!split) {
        out.warnings.push_back({n, "line skipped: no address after the separator"});
        return;
    }
    if (parts.base.size() > kAddressMax || parts.standby.size() > kAddressMax) {
        const bool base = parts.base.size() > kAddressMax;
        out.warnings.push_back(
            {n, "line skipped: the " + std::string(base ? "address" : "standby address") + " '" +
                    (base ? parts.base : parts.standby) + "' is longer than 31 characters"});
        return;
    }
    TypeWarnings(line, parts, out);
    auto found = out.stations.find(parts.station);
    if (found != out.stations.end()) {
        std::string text2 = "station " + std::string(number) + " is given again (first on line " +
                            std::to_string(found->second.line) + "): this line wins";
        if (!parts.hasStandby && !found->second.standby.empty()) {
            text2 += ", the standby address '" + found->second.standby + "' stays";
        }
        out.warnings.push_back({n, text2});
    }
    StationSetting &setting = out.stations[parts.station];
    setting.line = n;
    setting.base = parts.base;
    setting.baseFamily = FamilyOf(parts.hasBaseType, parts.baseType);
    if (parts.hasStandby) {
        for (char &c : parts.standby) {
            if (c == ',') c = '.';
        }
        setting.standby = parts.standby;
        setting.standbyFamily = FamilyOf(parts.hasStandbyType, parts.standbyType);
    }
}

// The characters a station line splits its address at, and what each
// starts there.
struct Splitter {
    char c;
    const char *starts;
};

constexpr Splitter kSplitters[] = {
    {',', "the standby address"},
    {'-', "the station's type"},
    {';', "the standby's type"},
};

}  // namespace

const char *FamilyName(Family family) {
    return family == Family::kSlc5 ? "SLC 5" : "PLC-5";
}

// Lines are told apart by their first character: 'T' timing, a digit a
// station, anything else a comment.
NodeFileText ReadNodeText(const std::string &bytes) {
    NodeFileText out;
    for (const Line &line : SplitLines(bytes)) {
        if (line.cut) {
            out.warnings.push_back(
                {line.number, "line longer than 135 visible characters: the rest is dropped"});
        }
        if (line.text.empty()) continue;
        if (line.text[0] == 'T') {
            ApplyTiming(line, out);
        } else if (IsDigit(line.text[0])) {
            ApplyStation(line, out);
        } else if (LooksLikeTiming(line.text)) {
            out.warnings.push_back(
                {line.number, "lower-case 't': read as a comment; a timing line starts with 'T'"});
        }
    }
    return out;
}

std::string HostLineProblem(const std::string &host) {
    const std::string named = "'" + host + "'";
    if (host.empty()) return "no host name";
    for (char c : host) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 33 || byte > 127) {
            return named + ": a node line drops blanks, control characters and bytes above 127";
        }
        for (const Splitter &s : kSplitters) {
            if (c == s.c) {
                return named + ": '" + std::string(1, c) + "' in a node line starts " + s.starts +
                       ", so the driver cannot reach that name; give its IP address";
            }
        }
    }
    if (!IsAlnum(host[0])) return named + ": a node line's address starts with a letter or a digit";
    if (host.size() > kAddressMax) {
        return named + ": " + std::to_string(host.size()) +
               " characters, a node line's address holds at most " + std::to_string(kAddressMax);
    }
    return "";
}

}  // namespace ordax_cli
