// The report as JSON: {"mode", "failures", "figures": {key: {label, value,
// unit, [target, met], detail, extra numbers}}}.
#include <cmath>
#include <cstdio>
#include <string>

#include "bench/report/figures.h"

namespace bench {

namespace {

std::string Quoted(const std::string &text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// JSON has no NaN or infinity: a value that could not be measured is null.
std::string Number(double value) {
    if (!std::isfinite(value)) return "null";
    char text[64];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

}  // namespace

bool WriteJson(const Report &report, const std::string &path) {
    std::FILE *f = std::fopen(path.c_str(), "w");
    if (f == nullptr) return false;
    std::fprintf(f, "{\n  \"mode\": %s,\n  \"failures\": %d,\n  \"figures\": {",
                 Quoted(report.mode).c_str(), report.failures);
    const char *separator = "\n";
    for (const Figure &fig : report.figures) {
        std::fprintf(f, "%s    %s: {\"label\": %s, \"value\": %s, \"unit\": %s", separator,
                     Quoted(fig.key).c_str(), Quoted(fig.label).c_str(), Number(fig.value).c_str(),
                     Quoted(fig.unit).c_str());
        if (fig.target) {
            std::fprintf(f, ", \"target\": %s, \"met\": %s", Number(*fig.target).c_str(),
                         fig.Met() ? "true" : "false");
        }
        for (const auto &[name, value] : fig.numbers) {
            std::fprintf(f, ", %s: %s", Quoted(name).c_str(), Number(value).c_str());
        }
        std::fprintf(f, ", \"detail\": %s}", Quoted(fig.detail).c_str());
        separator = ",\n";
    }
    std::fprintf(f, "\n  }\n}\n");
    return std::fclose(f) == 0;
}

}  // namespace bench
