// ordax monitor: the gates read every interval until Ctrl-C or SIGTERM, as
// one table line per round, or one CSV or JSON Lines record per gate and
// round for a file or another program.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>

#include "tools/ordax/access.h"
#include "tools/ordax/open_channel.h"

namespace ordax_cli {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) {
    gInterrupted = 1;
}

// Local time, "HH:MM:SS.mmm", or "YYYY-MM-DDTHH:MM:SS.mmm" with the date.
std::string Now(bool withDate) {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    char text[80];
    char date[40] = "";
    if (withDate) {
        std::snprintf(date, sizeof date, "%04d-%02d-%02dT", local.tm_year + 1900, local.tm_mon + 1,
                      local.tm_mday);
    }
    std::snprintf(text, sizeof text, "%s%02d:%02d:%02d.%03d", date, local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(ms));
    return text;
}

std::string CsvField(const std::string &text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '"') out += c;  // a quote is written twice
    }
    out += '"';
    return out;
}

std::string JsonText(const std::string &text) {
    std::string out = "\"";
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// One record of one gate's read: time, address as written, gate address,
// host result, the values.
std::string Record(MonitorFormat format, const std::string &time, const Gate &gate,
                   const GateRead &read) {
    const bool text = gate.kind == GateKind::kString;
    if (format == MonitorFormat::kCsv) {
        std::string line = time + "," + CsvField(gate.shown) + "," + CsvField(gate.address) + "," +
                           std::to_string(read.result);
        for (const std::string &v : read.values) {
            line += ',';
            line += CsvField(v);
        }
        return line;
    }
    std::string line = std::string("{\"time\":\"") + time +
                       "\",\"address\":" + JsonText(gate.shown) +
                       ",\"gate\":" + JsonText(gate.address) +
                       ",\"result\":" + std::to_string(read.result) + ",\"values\":[";
    for (std::size_t i = 0; i < read.values.size(); ++i) {
        if (i > 0) line += ',';
        line += text ? JsonText(read.values[i]) : read.values[i];
    }
    return line + "]}";
}

// One round in the table: the time and every gate's values on one line,
// the driver's messages after it; on a terminal the line is rewritten in
// place while the driver has nothing to say. True when the line stays open.
bool TableRound(Channel &channel, MessageLog &log, const std::vector<Gate> &gates, bool terminal,
                int *result) {
    std::string line = Now(false);
    std::vector<DriverMessage> messages;
    int round = PDX_DONE;
    for (const Gate &gate : gates) {
        GateRead read = ReadOnce(channel, log, gate);
        round = Worse(round, read.result);
        line += "  " + read.line;
        messages.insert(messages.end(), read.messages.begin(), read.messages.end());
    }
    *result = round;
    if (terminal) std::printf("\r\033[K");
    std::printf("%s", line.c_str());
    const bool lineOpen = terminal && messages.empty();
    if (!lineOpen) std::printf("\n");
    PrintMessagesTo(stdout, messages);
    return lineOpen;
}

// One round as records on stdout, the driver's messages on stderr.
void RecordRound(MonitorFormat format, Channel &channel, MessageLog &log,
                 const std::vector<Gate> &gates, int *result) {
    const std::string time = Now(true);
    int round = PDX_DONE;
    for (const Gate &gate : gates) {
        GateRead read = ReadOnce(channel, log, gate);
        round = Worse(round, read.result);
        std::printf("%s\n", Record(format, time, gate, read).c_str());
        PrintMessagesTo(stderr, read.messages);
    }
    *result = round;
}

}  // namespace

// The channel is closed before the tool ends; the result is that of the
// last round. A round that overran its interval (a station timing out) is
// followed by the next at once, not by rounds to catch up.
int Monitor(const AccessOptions &options) {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    const bool table = options.format == MonitorFormat::kTable;
    const bool terminal = table && ::isatty(STDOUT_FILENO) == 1;
    std::FILE *status = table ? stdout : stderr;
    return WithResolvedGates(
        options, status, [&](Channel &channel, MessageLog &log, const std::vector<Gate> &gates) {
            int result = PDX_DONE;
            bool lineOpen = false;  // a terminal line waiting to be rewritten
            if (options.format == MonitorFormat::kCsv)
                std::printf("time,address,gate,result,values\n");
            using Clock = std::chrono::steady_clock;
            auto next = Clock::now();
            while (gInterrupted == 0) {
                if (table) {
                    lineOpen = TableRound(channel, log, gates, terminal, &result);
                } else {
                    RecordRound(options.format, channel, log, gates, &result);
                }
                std::fflush(stdout);
                next = std::max(next + std::chrono::milliseconds(options.intervalMs), Clock::now());
                while (gInterrupted == 0 && Clock::now() < next) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
            }
            if (lineOpen) std::printf("\n");
            std::fprintf(status, "interrupted: closing channel %d\n", options.channel);
            return result;
        });
}

}  // namespace ordax_cli
