// The figures of one benchmark run: each has a key (its JSON name), the
// text of its table row, a value with its unit, an optional upper bound it
// is meant to stay within, further numbers for the JSON copy and a short
// readable detail for the table.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bench {

struct Figure {
    Figure(std::string key_, std::string label_, double value_, std::string unit_,
           int decimals_ = 0, std::optional<double> target_ = std::nullopt)
        : key(std::move(key_)),
          label(std::move(label_)),
          value(value_),
          unit(std::move(unit_)),
          decimals(decimals_),
          target(target_) {}

    std::string key;
    std::string label;
    double value = 0;
    std::string unit;
    int decimals = 0;
    std::optional<double> target;  // met when value <= target
    std::string detail;
    std::vector<std::pair<std::string, double>> numbers;  // extra JSON fields

    bool Met() const { return !target || value <= *target; }
};

struct Report {
    std::string mode;  // "full" or "quick"
    std::vector<Figure> figures;
    int failures = 0;  // measurements that went wrong (failed calls, missing samples)

    Figure &Add(Figure f) {
        figures.push_back(std::move(f));
        return figures.back();
    }
    void Fail(int count = 1) { failures += count; }
};

void PrintTable(const Report &report, std::FILE *out);
// Writes the report as one JSON object; false when the file cannot be written.
bool WriteJson(const Report &report, const std::string &path);

// "%.*f" of a value, for details.
std::string Fixed(double value, int decimals);

}  // namespace bench
