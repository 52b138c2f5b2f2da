#include "tools/ordax/value_codec.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ordax_cli {

namespace {

constexpr std::size_t kCellWordOffset = 2;

// Where value `i` of `count` values of this kind sits in the buffer.
std::size_t ValueOffset(GateKind kind, int count, int i) {
    const auto n = static_cast<std::size_t>(i);
    if (kind == GateKind::kReal) return 4 * n;
    return count == 1 ? kCellWordOffset : 2 * n;
}

bool ParseLong(const std::string &text, long &value) {
    if (text.empty()) return false;
    char *end = nullptr;
    value = std::strtol(text.c_str(), &end, 0);
    return *end == '\0';
}

bool ParseFloat(const std::string &text, float &value) {
    if (text.empty()) return false;
    char *end = nullptr;
    value = std::strtof(text.c_str(), &end);
    return *end == '\0';
}

// Empty when `text` is a value of `kind`, else what is wrong.
std::string CheckValue(GateKind kind, const std::string &text) {
    long l = 0;
    float f = 0;
    switch (kind) {
        case GateKind::kWord:
            if (!ParseLong(text, l) || l < -32768 || l > 65535) {
                return "'" + text + "' is not a 16-bit integer";
            }
            break;
        case GateKind::kDigital:
            if (!ParseLong(text, l) || (l != 0 && l != 1)) return "'" + text + "' is not 0 or 1";
            break;
        case GateKind::kReal:
            if (!ParseFloat(text, f)) return "'" + text + "' is not a number";
            break;
        case GateKind::kString:
            if (text.size() > kStringCapacity - 1) return "the text is longer than 99 characters";
            break;
    }
    return {};
}

}  // namespace

std::string CheckValues(GateKind kind, const std::vector<std::string> &values) {
    if (kind == GateKind::kString && values.size() != 1) return "a string gate takes one text";
    for (const std::string &text : values) {
        std::string wrong = CheckValue(kind, text);
        if (!wrong.empty()) return wrong;
    }
    return {};
}

void EncodeValues(GateKind kind, const std::vector<std::string> &values, Values &buffer) {
    const int count = static_cast<int>(values.size());
    for (int i = 0; i < count; ++i) {
        const std::string &text = values[static_cast<std::size_t>(i)];
        if (kind == GateKind::kString) {
            std::memcpy(buffer.bytes, text.c_str(), text.size() + 1);
        } else if (kind == GateKind::kReal) {
            const float v = std::strtof(text.c_str(), nullptr);
            std::memcpy(buffer.bytes + ValueOffset(kind, count, i), &v, sizeof v);
        } else {
            const auto v = static_cast<std::uint16_t>(std::strtol(text.c_str(), nullptr, 0));
            std::memcpy(buffer.bytes + ValueOffset(kind, count, i), &v, sizeof v);
        }
    }
}

std::vector<std::string> DecodeValues(GateKind kind, int count, const Values &buffer) {
    if (kind == GateKind::kString) {
        char text[kStringCapacity + 1] = {};
        std::memcpy(text, buffer.bytes, kStringCapacity);
        return {text};
    }
    std::vector<std::string> out;
    char number[32];
    for (int i = 0; i < count; ++i) {
        if (kind == GateKind::kReal) {
            float v = 0;
            std::memcpy(&v, buffer.bytes + ValueOffset(kind, count, i), sizeof v);
            std::snprintf(number, sizeof number, "%g", static_cast<double>(v));
        } else {
            std::int16_t v = 0;
            std::memcpy(&v, buffer.bytes + ValueOffset(kind, count, i), sizeof v);
            std::snprintf(number, sizeof number, "%d", v);
        }
        out.push_back(number);
    }
    return out;
}

std::string ValuesLine(const std::string &shown, GateKind kind,
                       const std::vector<std::string> &values) {
    std::string line = shown + ":";
    for (const std::string &v : values) {
        line += kind == GateKind::kString ? " \"" + v + "\"" : " " + v;
    }
    return line;
}

}  // namespace ordax_cli
