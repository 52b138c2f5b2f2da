// Station lines of the node file.
#include <cstring>

#include "core/text.h"
#include "nodefile/node_file.h"

namespace ordax {

namespace {

constexpr char kStandbyDot = '.';  // every ',' of the standby text becomes '.'
constexpr char kSlc5TypeText[] = "SLC5";
constexpr int kFirstAddressChar = 3;  // after the two address digits and the separator
constexpr std::size_t kAddressMax = kNodeAddressMax;

// 2 (SLC 5) for the type text "SLC5" in any case, else 1 (PLC-5).
std::int32_t FamilyOf(const char *type) {
    if (type == nullptr) return kPlc5;
    std::size_t i = 0;
    for (; kSlc5TypeText[i] != '\0'; ++i) {
        if (UpperAscii(type[i]) != kSlc5TypeText[i]) return kPlc5;
    }
    return type[i] == '\0' ? kSlc5 : kPlc5;
}

// Writes `text` (at most 31 characters) into an address field, zero-filled.
void StoreAddress(char (&field)[kAddressTextSize], const char *text) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text, std::strlen(text));
}

}  // namespace

bool SplitStationLine(char *text, StationLineParts *parts) {
    *parts = StationLineParts{text[0] - '0', nullptr, nullptr, nullptr, nullptr};
    if (IsDigit(text[1])) parts->station = parts->station * 10 + (text[1] - '0');
    if (text[1] == '\0' || text[2] == '\0') return false;
    char *p = text + kFirstAddressChar;
    while (*p != '\0' && !IsAlnum(*p)) ++p;
    if (*p == '\0') return false;
    parts->base = p;
    for (; *p != '\0'; ++p) {
        if (*p == kStandbyStart && parts->standby == nullptr) {
            *p = '\0';
            parts->standby = p + 1;
        } else if (*p == kBaseTypeStart) {
            *p = '\0';
            parts->baseType = p + 1;
        } else if (*p == kStandbyTypeStart) {
            *p = '\0';
            parts->standbyType = p + 1;
        }
    }
    return true;
}

// The line is split in a copy; the address texts must fit their fields
// whole, a longer one leaves the station untouched.
bool ApplyStationLine(const char *line, DriverContext *ctx) {
    char text[kNodeLineCapacity] = {};
    std::size_t length = 0;
    while (length < static_cast<std::size_t>(kNodeLineMax) && line[length] != '\0') ++length;
    std::memcpy(text, line, length);
    StationLineParts parts{};
    if (!IsDigit(text[0]) || !SplitStationLine(text, &parts)) return false;
    if (std::strlen(parts.base) > kAddressMax) return false;
    if (parts.standby != nullptr && std::strlen(parts.standby) > kAddressMax) return false;
    StationEntry &entry = ctx->stations[parts.station];
    StoreAddress(entry.baseAddress, parts.base);
    StoreAddress(entry.address, parts.base);
    entry.basePlcType = FamilyOf(parts.baseType);
    entry.plcType = entry.basePlcType;
    if (parts.standby == nullptr) return true;
    for (char *c = parts.standby; *c != '\0'; ++c) {
        if (*c == kStandbyStart) *c = kStandbyDot;
    }
    StoreAddress(entry.standbyAddress, parts.standby);
    entry.standbyPlcType = FamilyOf(parts.standbyType);
    return true;
}

}  // namespace ordax
