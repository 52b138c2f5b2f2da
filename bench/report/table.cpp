// The report as a text table, one row per figure.
#include <cstdio>
#include <string>

#include "bench/report/figures.h"

namespace bench {

namespace {

constexpr int kLabelWidth = 58;

std::string TargetText(const Figure &f) {
    return f.target ? "<= " + Fixed(*f.target, f.decimals) : "";
}

const char *MetText(const Figure &f) {
    if (!f.target) return "";
    return f.Met() ? "yes" : "NO";
}

}  // namespace

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void PrintTable(const Report &report, std::FILE *out) {
    std::fprintf(out,
                 "Ordax benchmark report (%s run; loopback, in-process simulator; failures %d)\n",
                 report.mode.c_str(), report.failures);
    std::fprintf(out, "%-*s %12s %-10s %-9s %-4s %s\n", kLabelWidth, "figure", "value", "unit",
                 "target", "met", "detail");
    for (const Figure &f : report.figures) {
        std::fprintf(out, "%-*s %12s %-10s %-9s %-4s %s\n", kLabelWidth, f.label.c_str(),
                     Fixed(f.value, f.decimals).c_str(), f.unit.c_str(), TargetText(f).c_str(),
                     MetText(f), f.detail.c_str());
    }
}

}  // namespace bench
