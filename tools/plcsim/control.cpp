// Control commands of the plcsim program: swap, set/get, faults, statistics, history.
#include "tools/plcsim/control.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace plcsim {

const char kControlHelp[] =
    "Control commands (one per line on stdin; STATION is a handle number or an IP address):\n"
    "  stations                         list stations and hot-backup pairs\n"
    "  swap PAIR                        the other processor of pair PAIR becomes master\n"
    "  set STATION ADDR VALUE           e.g. set 127.0.0.2 N7:0 123 | F8:1 12.5 | ST9:0 text\n"
    "  get STATION ADDR                 print a word, float (F, PD sub 2+) or string (ST)\n"
    "  fault STATION delay MS           delay every reply\n"
    "  fault STATION swallow N          leave the next N requests unanswered\n"
    "  fault STATION pre wrongtns|mode1|status [N]  extra bad frame before the next N replies\n"
    "                                   (N -1 = every reply)\n"
    "  fault STATION split PAUSE_MS SIZE...  send frames in pieces of these sizes, the last\n"
    "                                   repeated to the end (no size above 0 = off)\n"
    "  fault STATION closeafter BYTES   send that much of the next reply, then close\n"
    "  fault STATION resetafter BYTES   the same, then reset the connection (RST)\n"
    "  fault STATION stall BYTES        send that much of the next frame (session replies\n"
    "                                   included), then hold the connection open silent\n"
    "  fault STATION refuse | accept    close / reopen the listener (ECONNREFUSED)\n"
    "  fault STATION drop               close every open connection\n"
    "  fault STATION silent on|off      never accept: connects are never answered\n"
    "  fault STATION nosession on|off   accept, never answer the session request\n"
    "  fault STATION sessionlen N       session reply with N data bytes\n"
    "  fault STATION sts STS [EXT]      answer the next request with this status\n"
    "  fault STATION stsat ADDR STS [EXT]  answer every request starting at ADDR so\n"
    "  fault STATION program on|off     program mode: writes refused with STS 0x70\n"
    "  fault STATION maxdata BYTES [STS [EXT]]  refuse larger requests (default STS 0x10)\n"
    "  fault STATION clear              remove every fault\n"
    "  stats [STATION]                  counters\n"
    "  last STATION [N]                 the last N requests, decoded\n"
    "  quit                             stop the simulator\n";

namespace {

bool ParseNumber(const std::string &text, long &value) {
    if (text.empty()) return false;
    char *end = nullptr;
    value = std::strtol(text.c_str(), &end, 0);
    return *end == '\0';
}

std::string CountersText(const Counters &c) {
    char text[256];
    std::snprintf(
        text, sizeof text,
        "connections %llu (open %llu) sessions %llu requests %llu replies %llu "
        "refused %llu bad-session %llu malformed %llu swallowed %llu\n",
        static_cast<unsigned long long>(c.connections),
        static_cast<unsigned long long>(c.openConnections),
        static_cast<unsigned long long>(c.sessions), static_cast<unsigned long long>(c.requests),
        static_cast<unsigned long long>(c.replies), static_cast<unsigned long long>(c.refused),
        static_cast<unsigned long long>(c.badSession), static_cast<unsigned long long>(c.malformed),
        static_cast<unsigned long long>(c.swallowed));
    return text;
}

Status ParseStatus(const std::vector<std::string> &w, size_t at, Status fallback) {
    long sts = 0;
    long ext = 0;
    if (w.size() <= at || !ParseNumber(w[at], sts)) return fallback;
    if (w.size() > at + 1) ParseNumber(w[at + 1], ext);
    return Status{static_cast<uint8_t>(sts), static_cast<uint8_t>(ext)};
}

bool IsFloatAddress(const Address &a) {
    return a.type == FileType::F || (a.type == FileType::PD && a.sub >= 2);
}

std::string SetValue(Station &st, const Address &a, const std::string &value) {
    bool ok = false;
    if (a.type == FileType::ST) {
        ok = st.SetString(a, value);
    } else if (IsFloatAddress(a)) {
        ok = st.SetFloat(a, std::strtof(value.c_str(), nullptr));
    } else {
        long v = 0;
        ok = ParseNumber(value, v) && st.SetWord(a, static_cast<uint16_t>(v));
    }
    return ok ? "ok\n" : "error: no such address or bad value\n";
}

std::string GetValue(Station &st, const Address &a) {
    if (a.type == FileType::ST) {
        auto s = st.GetString(a);
        if (!s) return "error: no such address\n";
        std::string text = "\"";
        text += *s;
        text += "\"\n";
        return text;
    }
    if (IsFloatAddress(a)) {
        auto f = st.GetFloat(a);
        if (!f) return "error: no such address\n";
        std::string text = std::to_string(*f);
        text += "\n";
        return text;
    }
    auto w = st.GetWord(a);
    if (!w) return "error: no such address\n";
    char text[32];
    std::snprintf(text, sizeof text, "%u (0x%04X)\n", *w, *w);
    return text;
}

// The words of a fault command after its name, and their two common
// readings: the first as a number, and as "on".
struct FaultArgs {
    const std::vector<std::string> &w;  // the whole command: fault STATION NAME ...
    long number;
    bool on;
};

// What a fault needs after its name before its handler runs.
enum class FaultNeeds { kNothing, kNumber, kWord, kTwoWords };

// Applies one fault; returns kApplied when done, else the error line.
using FaultHandler = const char *(*)(Station &st, const FaultArgs &a);
constexpr const char *kApplied = nullptr;

struct FaultRow {
    const char *name;
    FaultNeeds needs;
    FaultHandler apply;
};

const char *FaultPre(Station &st, const FaultArgs &a) {
    const std::string &kindText = a.w[3];
    PreReply kind = kindText == "wrongtns" ? PreReply::WrongTns
                    : kindText == "mode1"  ? PreReply::Mode1
                    : kindText == "status" ? PreReply::BadStatus
                                           : PreReply::None;
    long count = 1;
    if (a.w.size() > 4) ParseNumber(a.w[4], count);
    st.SetPreReply(kind, static_cast<int>(count));
    return kApplied;
}

const char *FaultSplit(Station &st, const FaultArgs &a) {
    std::vector<size_t> pieces;
    for (size_t i = 4; i < a.w.size(); ++i)
        pieces.push_back(std::strtoul(a.w[i].c_str(), nullptr, 0));
    st.SetSplit(pieces, static_cast<int>(a.number));
    return kApplied;
}

const char *FaultStatusAt(Station &st, const FaultArgs &a) {
    Address at;
    if (!ParseAddress(a.w[3], at)) return "error: bad address\n";
    st.ForceStatusAt(at, ParseStatus(a.w, 4, {}));
    return kApplied;
}

int Int(const FaultArgs &a) {
    return static_cast<int>(a.number);
}
size_t Bytes(const FaultArgs &a) {
    return static_cast<size_t>(a.number);
}

// One row per fault of kControlHelp.
const FaultRow kFaults[] = {
    {"delay", FaultNeeds::kNumber,
     [](Station &st, const FaultArgs &a) {
         st.SetReplyDelay(Int(a));
         return kApplied;
     }},
    {"swallow", FaultNeeds::kNumber,
     [](Station &st, const FaultArgs &a) {
         st.SwallowNext(Int(a));
         return kApplied;
     }},
    {"closeafter", FaultNeeds::kNumber,
     [](Station &st, const FaultArgs &a) {
         st.CloseAfterBytes(Bytes(a));
         return kApplied;
     }},
    {"resetafter", FaultNeeds::kNumber,
     [](Station &st, const FaultArgs &a) {
         st.ResetAfterBytes(Bytes(a));
         return kApplied;
     }},
    {"stall", FaultNeeds::kNumber,
     [](Station &st, const FaultArgs &a) {
         st.StallAfterBytes(Bytes(a));
         return kApplied;
     }},
    {"sessionlen", FaultNeeds::kNumber,
     [](Station &st, const FaultArgs &a) {
         st.SetSessionDataLength(Int(a));
         return kApplied;
     }},
    {"refuse", FaultNeeds::kNothing,
     [](Station &st, const FaultArgs &) {
         st.SetAccepting(false);
         return kApplied;
     }},
    {"accept", FaultNeeds::kNothing,
     [](Station &st, const FaultArgs &) {
         st.SetAccepting(true);
         return kApplied;
     }},
    {"drop", FaultNeeds::kNothing,
     [](Station &st, const FaultArgs &) {
         st.DropConnections();
         return kApplied;
     }},
    {"silent", FaultNeeds::kWord,
     [](Station &st, const FaultArgs &a) {
         st.SetSilent(a.on);
         return kApplied;
     }},
    {"nosession", FaultNeeds::kWord,
     [](Station &st, const FaultArgs &a) {
         st.SetSessionSilent(a.on);
         return kApplied;
     }},
    {"program", FaultNeeds::kWord,
     [](Station &st, const FaultArgs &a) {
         st.SetProgramMode(a.on);
         return kApplied;
     }},
    {"clear", FaultNeeds::kNothing,
     [](Station &st, const FaultArgs &) {
         st.ClearFaults();
         return kApplied;
     }},
    {"sts", FaultNeeds::kWord,
     [](Station &st, const FaultArgs &a) {
         st.ForceStatusNext(ParseStatus(a.w, 3, {}));
         return kApplied;
     }},
    {"maxdata", FaultNeeds::kNumber,
     [](Station &st, const FaultArgs &a) {
         st.SetMaxDataBytes(Bytes(a), ParseStatus(a.w, 4, {0x10, 0}));
         return kApplied;
     }},
    {"stsat", FaultNeeds::kTwoWords, FaultStatusAt},
    {"pre", FaultNeeds::kWord, FaultPre},
    {"split", FaultNeeds::kNumber, FaultSplit},
};

bool FaultArgsPresent(FaultNeeds needs, const FaultArgs &a, bool isNumber) {
    switch (needs) {
        case FaultNeeds::kNothing:
            return true;
        case FaultNeeds::kNumber:
            return isNumber;
        case FaultNeeds::kWord:
            return a.w.size() > 3;
        case FaultNeeds::kTwoWords:
            return a.w.size() > 4;
    }
    return false;
}

// w: fault STATION NAME [ARGS...]
std::string Fault(Station &st, const std::vector<std::string> &w) {
    FaultArgs a{w, 0, w.size() > 3 && w[3] == "on"};
    const bool isNumber = w.size() > 3 && ParseNumber(w[3], a.number);
    for (const FaultRow &row : kFaults) {
        if (w[2] != row.name || !FaultArgsPresent(row.needs, a, isNumber)) continue;
        const char *error = row.apply(st, a);
        return error == kApplied ? "ok\n" : error;
    }
    return "error: unknown fault or missing argument (see help)\n";
}

std::string Stations(Simulator &sim) {
    std::string out;
    for (int h = 0; h < sim.stationCount(); ++h) {
        Station &st = sim.station(h);
        out += std::to_string(h);
        out += " ";
        out += st.ip();
        out += st.family() == Family::Plc5 ? " PLC-5\n" : " SLC 5/05\n";
    }
    for (int p = 0; p < sim.pairCount(); ++p) {
        out += "pair ";
        out += std::to_string(p);
        out += " master ";
        out += std::to_string(sim.Master(p));
        out += "\n";
    }
    return out;
}

std::string Last(Station &st, size_t n) {
    std::string out;
    for (const RequestRecord &r : st.LastRequests(n)) {
        out += FormatFrame(r.raw.data(), r.raw.size(), true);
        out += "\n";
    }
    return out;
}

}  // namespace

int FindStation(Simulator &sim, const std::string &name) {
    long h = 0;
    if (ParseNumber(name, h)) return h >= 0 && h < sim.stationCount() ? static_cast<int>(h) : -1;
    for (int i = 0; i < sim.stationCount(); ++i)
        if (sim.station(i).ip() == name) return i;
    return -1;
}

namespace {

std::string Swap(Simulator &sim, const std::string &pairText) {
    long n = 0;
    if (!ParseNumber(pairText, n) || !sim.SwapMaster(static_cast<int>(n)))
        return "error: no such pair\n";
    std::string out = "pair ";
    out += pairText;
    out += " master ";
    out += std::to_string(sim.Master(static_cast<int>(n)));
    out += "\n";
    return out;
}

// The text after the address of "set STATION ADDR TEXT", without a line end.
std::string TextAfter(const std::string &line, const std::string &address) {
    size_t at = line.find(address) + address.size();
    size_t start = line.find_first_not_of(" \t", at);
    std::string rest = start == std::string::npos ? "" : line.substr(start);
    while (!rest.empty() && (rest.back() == '\r' || rest.back() == '\n')) rest.pop_back();
    return rest;
}

// The commands that name a station (w[1]).
std::string StationCommand(Station &st, const std::vector<std::string> &w,
                           const std::string &line) {
    const std::string &cmd = w[0];
    Address a;
    if (cmd == "stats") return CountersText(st.counters());
    if (cmd == "last") return Last(st, w.size() > 2 ? std::strtoul(w[2].c_str(), nullptr, 0) : 5);
    if (cmd == "fault" && w.size() > 2) return Fault(st, w);
    if (cmd == "get" && w.size() > 2 && ParseAddress(w[2], a)) return GetValue(st, a);
    if (cmd == "set" && w.size() > 3 && ParseAddress(w[2], a))
        return SetValue(st, a, a.type == FileType::ST ? TextAfter(line, w[2]) : w[3]);
    return "error: unknown command or bad arguments (see help)\n";
}

}  // namespace

bool RunControl(Simulator &sim, const std::string &line, std::string &out) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string word; in >> word;) w.push_back(word);
    if (w.empty()) return true;
    const std::string &cmd = w[0];
    if (cmd == "quit" || cmd == "exit") return false;
    long n = 0;
    if (cmd == "help") {
        out += kControlHelp;
    } else if (cmd == "stations") {
        out += Stations(sim);
    } else if (cmd == "swap" && w.size() > 1 && ParseNumber(w[1], n)) {
        out += Swap(sim, w[1]);
    } else if (cmd == "stats" && w.size() == 1) {
        out += CountersText(sim.counters());
    } else {
        int h = w.size() > 1 ? FindStation(sim, w[1]) : -1;
        out += h < 0 ? "error: unknown command or station (see help)\n"
                     : StationCommand(sim.station(h), w, line);
    }
    return true;
}

}  // namespace plcsim
