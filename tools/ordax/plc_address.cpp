// Processor addresses and gate addresses, each into the other.
//
// Processor form: LETTERS [FILE] ':' ELEMENT ['.' SUB] ['/' BIT] [',' COUNT],
// or B FILE '/' BIT for a bit counted from the file's first word. The gate
// form has fixed columns: station (2), letter, file (3), element (3), then
// bit, sub-element or SLC I/O word (2) and bit (2) as the letter asks.
#include "tools/ordax/plc_address.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace ordax_cli {

namespace {

enum class Family { kData, kIo, kStructure, kString };

struct Letter {
    const char *name;  // as the processors write it
    char gate;         // the gate address's letter
    Family family;
    int defaultFile;  // -1: the address must name its file
};

constexpr Letter kLetters[] = {
    {"N", 'N', Family::kData, -1},      {"B", 'B', Family::kData, -1},
    {"F", 'F', Family::kData, -1},      {"S", 'S', Family::kData, 2},
    {"I", 'I', Family::kIo, 1},         {"O", 'O', Family::kIo, 0},
    {"T", 'T', Family::kStructure, -1}, {"C", 'C', Family::kStructure, -1},
    {"R", 'R', Family::kStructure, -1}, {"ST", 'G', Family::kString, -1},
};

// Words of a timer, counter and control element, and the bits of its
// control word (word 0).
struct Member {
    char letter;
    const char *name;
    int word;
    int bit;  // -1: the whole word
};

constexpr Member kMembers[] = {
    {'T', "PRE", 1, -1}, {'T', "ACC", 2, -1}, {'T', "EN", 0, 15},  {'T', "TT", 0, 14},
    {'T', "DN", 0, 13},  {'C', "PRE", 1, -1}, {'C', "ACC", 2, -1}, {'C', "CU", 0, 15},
    {'C', "CD", 0, 14},  {'C', "DN", 0, 13},  {'C', "OV", 0, 12},  {'C', "UN", 0, 11},
    {'R', "LEN", 1, -1}, {'R', "POS", 2, -1}, {'R', "EN", 0, 15},  {'R', "EU", 0, 14},
    {'R', "DN", 0, 13},  {'R', "EM", 0, 12},  {'R', "ER", 0, 11},  {'R', "UL", 0, 10},
    {'R', "IN", 0, 9},   {'R', "FD", 0, 8},
};

constexpr int kMaxElement = 999;
constexpr int kMaxBit = 15;
constexpr int kMaxCount = 1000;

// The pieces of a processor address, as written.
struct Pieces {
    std::string letters, file, element, sub, bit, count;
    bool hasElement = false;
};

std::string Upper(const std::string &text) {
    std::string out;
    for (char c : text) {
        if (c != ' ') out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
    return out;
}

bool AllOf(const std::string &text, const char *set) {
    if (text.empty()) return false;
    for (char c : text) {
        if (std::strchr(set, c) == nullptr) return false;
    }
    return true;
}

// The number `text` in `base` within 0..max; -1 when it is not one.
int Number(const std::string &text, int base, int max) {
    if (!AllOf(text, base == 8 ? "01234567" : "0123456789") || text.size() > 6) return -1;
    const int value = static_cast<int>(std::strtol(text.c_str(), nullptr, base));
    return value <= max ? value : -1;
}

// Takes characters from `pos` while they are in `set`.
std::string Take(const std::string &text, std::size_t &pos, const char *set) {
    const std::size_t start = pos;
    while (pos < text.size() && std::strchr(set, text[pos]) != nullptr) ++pos;
    return text.substr(start, pos - start);
}

// Splits the text; empty on success, else what is wrong.
std::string Split(const std::string &text, Pieces *p) {
    std::size_t pos = 0;
    constexpr const char *kAlpha = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    constexpr const char *kAlnum = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    p->letters = Take(text, pos, kAlpha);
    p->file = Take(text, pos, "0123456789");
    if (pos < text.size() && text[pos] == ':') {
        ++pos;
        p->hasElement = true;
        p->element = Take(text, pos, "0123456789");
        if (pos < text.size() && text[pos] == '.') p->sub = Take(text, ++pos, kAlnum);
    }
    if (pos < text.size() && text[pos] == '/') p->bit = Take(text, ++pos, kAlnum);
    if (pos < text.size() && text[pos] == ',') p->count = Take(text, ++pos, "0123456789");
    if (pos != text.size()) return "unexpected '" + text.substr(pos) + "'";
    if (!p->hasElement && p->bit.empty()) return "no element: write FILE:ELEMENT, as N7:0";
    return "";
}

const Letter *FindLetter(const std::string &name) {
    for (const Letter &l : kLetters) {
        if (name == l.name) return &l;
    }
    return nullptr;
}

const Member *FindMember(char letter, const std::string &name) {
    for (const Member &m : kMembers) {
        if (m.letter == letter && name == m.name) return &m;
    }
    return nullptr;
}

// The columns of one gate address.
struct Columns {
    int file = 0;
    int element = 0;
    std::string tail;  // columns 9 on
    bool bit = false;
};

std::string Two(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

std::string DataColumns(const Letter &l, const Pieces &p, Columns *c) {
    if (!p.sub.empty()) return "'." + p.sub + "': " + l.name + " has no sub-elements";
    if (!p.hasElement) {  // B3/23: a bit counted from the file's first word
        const int n = l.gate == 'B' ? Number(p.bit, 10, (kMaxElement + 1) * 16 - 1) : -1;
        if (n < 0) return "bit '" + p.bit + "': write B FILE/BIT (0-15999) or FILE:ELEMENT/BIT";
        c->element = n / 16;
        c->tail = Two(n % 16);
        c->bit = true;
        return "";
    }
    if (p.bit.empty()) return "";
    if (l.gate == 'F') return "F holds 32-bit reals, it has no bits";
    const int bit = Number(p.bit, 10, kMaxBit);
    if (bit < 0) return "bit '" + p.bit + "': 0 to 15";
    c->tail = Two(bit);
    c->bit = true;
    return "";
}

std::string IoColumns(const Pieces &p, bool slc5, Columns *c) {
    if (!slc5) {  // PLC-5: octal rack, group and bit
        if (!p.sub.empty()) return "'." + p.sub + "': PLC-5 I/O has no words, write I:RG/BB";
        if (Number(p.element, 8, 0777) < 0) return "element '" + p.element + "': octal 0-777";
        c->element = Number(p.element, 10, 777);
        if (p.bit.empty()) return "";
        if (Number(p.bit, 8, 017) < 0) return "bit '" + p.bit + "': octal 0-17";
        c->tail = Two(Number(p.bit, 10, 17));
        c->bit = true;
        return "";
    }
    const int word = p.sub.empty() ? 0 : Number(p.sub, 10, 99);
    if (word < 0) return "word '" + p.sub + "': 0 to 99";
    c->tail = Two(word);
    if (p.bit.empty()) return "";
    const int bit = Number(p.bit, 10, kMaxBit);
    if (bit < 0) return "bit '" + p.bit + "': 0 to 15";
    c->tail += Two(bit);
    c->bit = true;
    return "";
}

std::string StructureColumns(const Letter &l, const Pieces &p, Columns *c) {
    int word = 0;
    int bit = -1;
    if (!p.sub.empty()) {
        const Member *m = FindMember(l.gate, p.sub);
        if (m == nullptr || m->bit >= 0) return "'." + p.sub + "': not a word of " + l.name;
        word = m->word;
    }
    if (!p.bit.empty()) {
        const Member *m = FindMember(l.gate, p.bit);
        bit = m != nullptr && m->bit >= 0 ? m->bit : Number(p.bit, 10, kMaxBit);
        if (bit < 0) return "bit '" + p.bit + "': 0 to 15 or a status bit of " + l.name;
        if (word != 0) return "bits only in the control word, not in '." + p.sub + "'";
    }
    c->tail = Two(word) + (bit >= 0 ? Two(bit) : "");
    c->bit = bit >= 0;
    return "";
}

std::string FillColumns(const Letter &l, const Pieces &p, bool slc5, Columns *c) {
    switch (l.family) {
        case Family::kData:
            return DataColumns(l, p, c);
        case Family::kIo:
            return IoColumns(p, slc5, c);
        case Family::kStructure:
            return StructureColumns(l, p, c);
        case Family::kString:
        default:
            if (!p.sub.empty() || !p.bit.empty()) return "a string element has no words or bits";
            return "";
    }
}

// File number and element as written; the element of PLC-5 I/O is kept as
// its octal digits.
std::string FileAndElement(const Letter &l, const Pieces &p, Columns *c) {
    c->file = p.file.empty() ? l.defaultFile : Number(p.file, 10, kMaxElement);
    if (c->file < 0) {
        return p.file.empty() ? std::string(l.name) + " needs its file number, as " + l.name + "7"
                              : "file '" + p.file + "': 0 to 999";
    }
    if (!p.hasElement) return "";
    c->element = Number(p.element, 10, kMaxElement);
    if (c->element < 0) return "element '" + p.element + "': 0 to 999";
    return "";
}

// The 13 columns of a gate address, blank-padded, in upper case.
std::string GateColumns(const std::string &gate) {
    std::string columns = Upper(gate);
    columns.resize(13, ' ');
    return columns;
}

bool Digits(const std::string &columns, std::size_t at, std::size_t count) {
    return AllOf(columns.substr(at, count), "0123456789");
}

int At(const std::string &columns, std::size_t at, std::size_t count) {
    return std::stoi(columns.substr(at, count));
}

// The bit and word columns of a gate address in processor form.
std::string MemberText(char letter, int word, bool hasBit, int bit) {
    for (const Member &m : kMembers) {
        if (m.letter == letter && m.word == word && m.bit == (hasBit ? bit : -1) &&
            (hasBit || word != 0)) {
            return std::string(hasBit ? "/" : ".") + m.name;
        }
    }
    return hasBit ? std::string("/") + std::to_string(bit) : std::string();
}

}  // namespace

std::string ToProcessorAddress(const std::string &gate, bool slc5) {
    const std::string c = GateColumns(gate);
    if (!Digits(c, 0, 2) || !Digits(c, 3, 6)) return "";
    const char letter = c[2];
    const bool bit9 = Digits(c, 9, 2);
    const bool bit11 = Digits(c, 11, 2);
    const bool io = letter == 'I' || letter == 'O';
    const bool structure = letter == 'T' || letter == 'C' || letter == 'R';
    if (std::strchr("NBFSIOTCRG", letter) == nullptr || ((structure || (io && slc5)) && !bit9)) {
        return "";
    }
    std::string out = letter == 'G' ? "ST" : std::string(1, letter);
    if (!io) out.append(std::to_string(At(c, 3, 3)));
    out.append(":");
    // PLC-5 I/O keeps its octal digits as written.
    out.append(io && !slc5 ? c.substr(6, 3) : std::to_string(At(c, 6, 3)));
    if (structure) {
        out.append(MemberText(letter, At(c, 9, 2), bit11, bit11 ? At(c, 11, 2) : 0));
    } else if (io && slc5) {
        if (At(c, 9, 2) != 0) out.append(".").append(std::to_string(At(c, 9, 2)));
        if (bit11) out.append("/").append(std::to_string(At(c, 11, 2)));
    } else if (bit9 && letter != 'G') {
        out.append("/").append(io ? c.substr(9, 2) : std::to_string(At(c, 9, 2)));
    }
    return out;
}

GateKind KindOfGateAddress(const std::string &gate, bool slc5) {
    const std::string c = GateColumns(gate);
    const char letter = c[2];
    if (letter == 'G' || letter == 'X' || letter == 'Y') return GateKind::kString;
    if (letter == 'F') return GateKind::kReal;
    const bool wordThenBit =
        std::strchr("TCRP", letter) != nullptr || (slc5 && (letter == 'I' || letter == 'O'));
    if (letter == 'P' && Digits(c, 9, 2) && At(c, 9, 2) >= 2) return GateKind::kReal;
    return Digits(c, wordThenBit ? 11 : 9, 2) ? GateKind::kDigital : GateKind::kWord;
}

bool LooksLikeProcessorAddress(const std::string &text) {
    return text.find(':') != std::string::npos || text.find('/') != std::string::npos;
}

std::string ToGateAddress(const std::string &text, int station, bool slc5, GateAddress *out) {
    if (station < 0 || station > 99) return "station " + std::to_string(station) + ": 0 to 99";
    Pieces p;
    const std::string error = Split(Upper(text), &p);
    if (!error.empty()) return error;
    const Letter *l = FindLetter(p.letters);
    if (l == nullptr) return "file letter '" + p.letters + "': N B F S I O T C R or ST";
    // Only a bit file counts its bits from the file's first word (B3/23); any
    // other address without ':' lacks its element, which is never taken as 0
    // (a string has no bits at all, and says so below).
    if (!p.hasElement && l->gate != 'B' && l->family != Family::kString) {
        const std::string head = p.letters + p.file;
        return "no element in '" + text + "': write " + head + ":ELEMENT/" + p.bit + ", as " +
               head + ":0/" + p.bit;
    }
    Columns c;
    std::string wrong = FileAndElement(*l, p, &c);
    if (wrong.empty()) wrong = FillColumns(*l, p, slc5, &c);
    const int count = p.count.empty() ? 1 : Number(p.count, 10, kMaxCount);
    if (wrong.empty() && count < 1) wrong = "count '" + p.count + "': 1 to 1000";
    if (!wrong.empty()) return wrong;
    char head[16];
    std::snprintf(head, sizeof head, "%02d%c%03d%03d", station, l->gate, c.file, c.element);
    out->text = head + c.tail;
    out->kind = l->gate == 'F'   ? GateKind::kReal
                : l->gate == 'G' ? GateKind::kString
                : c.bit          ? GateKind::kDigital
                                 : GateKind::kWord;
    out->count = count;
    return "";
}

}  // namespace ordax_cli
