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

std::string Fault(Station &st, const std::vector<std::string> &w) {
    const std::string &name = w[2];
    long n = 0;
    bool num = w.size() > 3 && ParseNumber(w[3], n);
    bool on = w.size() > 3 && w[3] == "on";
    if (name == "delay" && num)
        st.SetReplyDelay(static_cast<int>(n));
    else if (name == "swallow" && num)
        st.SwallowNext(static_cast<int>(n));
    else if (name == "closeafter" && num)
        st.CloseAfterBytes(static_cast<size_t>(n));
    else if (name == "resetafter" && num)
        st.ResetAfterBytes(static_cast<size_t>(n));
    else if (name == "stall" && num)
        st.StallAfterBytes(static_cast<size_t>(n));
    else if (name == "sessionlen" && num)
        st.SetSessionDataLength(static_cast<int>(n));
    else if (name == "refuse")
        st.SetAccepting(false);
    else if (name == "accept")
        st.SetAccepting(true);
    else if (name == "drop")
        st.DropConnections();
    else if (name == "silent" && w.size() > 3)
        st.SetSilent(on);
    else if (name == "nosession" && w.size() > 3)
        st.SetSessionSilent(on);
    else if (name == "program" && w.size() > 3)
        st.SetProgramMode(on);
    else if (name == "clear")
        st.ClearFaults();
    else if (name == "sts" && w.size() > 3)
        st.ForceStatusNext(ParseStatus(w, 3, {}));
    else if (name == "maxdata" && num)
        st.SetMaxDataBytes(static_cast<size_t>(n), ParseStatus(w, 4, {0x10, 0}));
    else if (name == "stsat" && w.size() > 4) {
        Address a;
        if (!ParseAddress(w[3], a)) return "error: bad address\n";
        st.ForceStatusAt(a, ParseStatus(w, 4, {}));
    } else if (name == "pre" && w.size() > 3) {
        PreReply kind = w[3] == "wrongtns" ? PreReply::WrongTns
                        : w[3] == "mode1"  ? PreReply::Mode1
                        : w[3] == "status" ? PreReply::BadStatus
                                           : PreReply::None;
        long count = 1;
        if (w.size() > 4) ParseNumber(w[4], count);
        st.SetPreReply(kind, static_cast<int>(count));
    } else if (name == "split" && num) {
        std::vector<size_t> pieces;
        for (size_t i = 4; i < w.size(); ++i)
            pieces.push_back(std::strtoul(w[i].c_str(), nullptr, 0));
        st.SetSplit(pieces, static_cast<int>(n));
    } else {
        return "error: unknown fault or missing argument (see help)\n";
    }
    return "ok\n";
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

bool RunControl(Simulator &sim, const std::string &line, std::string &out) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string word; in >> word;) w.push_back(word);
    if (w.empty()) return true;
    const std::string &cmd = w[0];
    if (cmd == "quit" || cmd == "exit") return false;
    if (cmd == "help") {
        out += kControlHelp;
        return true;
    }
    if (cmd == "stations") {
        out += Stations(sim);
        return true;
    }
    long n = 0;
    if (cmd == "swap" && w.size() > 1 && ParseNumber(w[1], n)) {
        if (sim.SwapMaster(static_cast<int>(n))) {
            out += "pair ";
            out += w[1];
            out += " master ";
            out += std::to_string(sim.Master(static_cast<int>(n)));
            out += "\n";
        } else {
            out += "error: no such pair\n";
        }
        return true;
    }
    if (cmd == "stats" && w.size() == 1) {
        out += CountersText(sim.counters());
        return true;
    }
    int h = w.size() > 1 ? FindStation(sim, w[1]) : -1;
    if (h < 0) {
        out += "error: unknown command or station (see help)\n";
        return true;
    }
    Station &st = sim.station(h);
    Address a;
    if (cmd == "stats")
        out += CountersText(st.counters());
    else if (cmd == "last")
        out += Last(st, w.size() > 2 ? std::strtoul(w[2].c_str(), nullptr, 0) : 5);
    else if (cmd == "fault" && w.size() > 2)
        out += Fault(st, w);
    else if (cmd == "get" && w.size() > 2 && ParseAddress(w[2], a))
        out += GetValue(st, a);
    else if (cmd == "set" && w.size() > 3 && ParseAddress(w[2], a)) {
        size_t at = line.find(w[2]) + w[2].size();
        size_t start = line.find_first_not_of(" \t", at);
        std::string rest = start == std::string::npos ? "" : line.substr(start);
        while (!rest.empty() && (rest.back() == '\r' || rest.back() == '\n')) rest.pop_back();
        out += SetValue(st, a, a.type == FileType::ST ? rest : w[3]);
    } else
        out += "error: unknown command or bad arguments (see help)\n";
    return true;
}

}  // namespace plcsim
