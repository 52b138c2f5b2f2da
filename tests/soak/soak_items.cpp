#include "tests/soak/soak_items.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace soak {

namespace {

constexpr std::size_t kCellWordOffset = 2;  // a 16-bit value's bytes in the host's cell
constexpr std::size_t kMaxTextLength = 80;  // what a G read hands the host at most

Value WordsValue(const std::vector<std::uint16_t> &words) {
    Value v;
    for (std::uint16_t w : words) v += WordValue(w);
    return v;
}

std::vector<std::uint16_t> ValueWords(const Value &v) {
    std::vector<std::uint16_t> words(v.size() / 2);
    for (std::size_t i = 0; i < words.size(); ++i) words[i] = ValueWord(v.substr(2 * i, 2));
    return words;
}

Value RealValue(float f) {
    Value v(4, '\0');
    std::memcpy(v.data(), &f, 4);
    return v;
}

float ValueReal(const Value &v) {
    float f = 0;
    std::memcpy(&f, v.data(), 4);
    return f;
}

std::uint16_t Mix(int salt, std::uint64_t seq, int spread) {
    return static_cast<std::uint16_t>(static_cast<std::uint64_t>(salt * 1021 + spread) +
                                      seq * 7919);
}

}  // namespace

Value WordValue(std::uint16_t w) {
    return Value{static_cast<char>(w & 0xFF), static_cast<char>(w >> 8)};
}

std::uint16_t ValueWord(const Value &v) {
    if (v.size() < 2) return 0;
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(v[0]) |
                                      static_cast<std::uint8_t>(v[1]) << 8);
}

Value InitialValue(const ItemSpec &item, int salt) {
    switch (item.kind) {
        case Kind::kWord:
            return WordValue(item.use == Use::kCounter ? 0
                                                       : static_cast<std::uint16_t>(0xC000 + salt));
        case Kind::kReal:
            return RealValue(-1.5f - static_cast<float>(salt));
        case Kind::kBit:
            return Value(1, '\0');
        case Kind::kBlock: {
            std::vector<std::uint16_t> words(kBlockWords);
            for (int i = 0; i < kBlockWords; ++i)
                words[static_cast<std::size_t>(i)] = Mix(salt, 0, 0x8000 + i);
            return WordsValue(words);
        }
        case Kind::kText:
            return "initial " + std::to_string(salt);
    }
    return {};
}

Value WrittenValue(const ItemSpec &item, int salt, std::uint64_t seq) {
    switch (item.kind) {
        case Kind::kWord:
            return WordValue(Mix(salt, seq, 17));
        case Kind::kReal:
            return RealValue(static_cast<float>(salt * 100000 + static_cast<int>(seq % 99991)) +
                             0.25f);
        case Kind::kBit:
            return Value(1, static_cast<char>(seq & 1));
        case Kind::kBlock: {
            std::vector<std::uint16_t> words(kBlockWords);
            for (int i = 0; i < kBlockWords; ++i)
                words[static_cast<std::size_t>(i)] = Mix(salt, seq, 31 * i);
            return WordsValue(words);
        }
        case Kind::kText: {
            char head[40];
            std::snprintf(head, sizeof head, "s%d#%llu", salt,
                          static_cast<unsigned long long>(seq));
            // Lengths from a few characters to the longest a read returns,
            // odd and even.
            Value text = head;
            text.append(static_cast<std::size_t>(seq * 13 % (kMaxTextLength - text.size() + 1)),
                        static_cast<char>('a' + seq % 26));
            return text;
        }
    }
    return {};
}

std::optional<Value> SimValue(const plcsim::Station &plc, const ItemSpec &item) {
    switch (item.kind) {
        case Kind::kWord:
            if (auto w = plc.GetWord(item.at)) return WordValue(*w);
            return std::nullopt;
        case Kind::kReal:
            if (auto f = plc.GetFloat(item.at)) return RealValue(*f);
            return std::nullopt;
        case Kind::kBit: {
            auto w = plc.GetWord(item.at);
            const std::uint16_t mask = 1u << kBitNumber;
            if (!w || (*w & ~mask) != (kBitWordRest & ~mask)) return std::nullopt;
            return Value(1, static_cast<char>((*w & mask) != 0));
        }
        case Kind::kBlock:
            if (auto words = plc.GetWords(item.at, kBlockWords)) return WordsValue(*words);
            return std::nullopt;
        case Kind::kText:
            return plc.GetString(item.at);
    }
    return std::nullopt;
}

bool PutSimValue(plcsim::Station &plc, const ItemSpec &item, const Value &v) {
    switch (item.kind) {
        case Kind::kWord:
            return plc.SetWord(item.at, ValueWord(v));
        case Kind::kReal:
            return plc.SetFloat(item.at, ValueReal(v));
        case Kind::kBit: {
            const std::uint16_t mask = 1u << kBitNumber;
            return plc.SetWord(item.at, static_cast<std::uint16_t>((kBitWordRest & ~mask) |
                                                                   (v[0] != 0 ? mask : 0)));
        }
        case Kind::kBlock:
            return plc.SetWords(item.at, ValueWords(v));
        case Kind::kText:
            return plc.SetString(item.at, v);
    }
    return false;
}

void ToHostBuffer(const ItemSpec &item, const Value &v, std::uint8_t *buffer) {
    switch (item.kind) {
        case Kind::kWord:
            std::memcpy(buffer + kCellWordOffset, v.data(), 2);
            return;
        case Kind::kBit:
            buffer[kCellWordOffset] = static_cast<std::uint8_t>(v[0]);
            buffer[kCellWordOffset + 1] = 0;
            return;
        case Kind::kReal:
        case Kind::kBlock:
            std::memcpy(buffer, v.data(), v.size());
            return;
        case Kind::kText:
            std::memcpy(buffer, v.c_str(), v.size() + 1);
            return;
    }
}

Value FromHostBuffer(const ItemSpec &item, const std::uint8_t *buffer) {
    const char *bytes = reinterpret_cast<const char *>(buffer);
    switch (item.kind) {
        case Kind::kWord:
            return Value(bytes + kCellWordOffset, 2);
        case Kind::kBit:
            return Value(1, static_cast<char>(ValueWord(Value(bytes + kCellWordOffset, 2))));
        case Kind::kReal:
            return Value(bytes, 4);
        case Kind::kBlock:
            return Value(bytes, 2 * kBlockWords);
        case Kind::kText:
            return Value(bytes, strnlen(bytes, kMaxTextLength + 4));
    }
    return {};
}

std::string Printable(const Value &v) {
    std::string out;
    char hex[4];
    for (char c : v.substr(0, 24)) {
        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(c));
        out += hex;
    }
    return v.size() > 24 ? out + "..." : out;
}

}  // namespace soak
