// The 13-column work copy and the number reading.
#include "address/columns.h"

namespace ordax {

namespace {

constexpr char kBlank = ' ';
constexpr int kStationWidth = 2;
constexpr int kMaxStation = kStationCount - 1;

// ASCII upper case on the byte value: bytes above 127 stay as they are.
char UpperAscii(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 'a' && byte <= 'z') return static_cast<char>(byte - 'a' + 'A');
    return c;
}

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Value of `c` as a digit of `base`, or -1.
int DigitOf(char c, int base) {
    const int digit = (c >= '0' && c <= '9') ? c - '0' : -1;
    return digit < base ? digit : -1;
}

}  // namespace

bool FillAddressColumns(DriverContext *ctx, const char *text) {
    int i = 0;
    if (text != nullptr) {
        for (; i < kAddressColumns && text[i] != '\0'; ++i) {
            ctx->addressColumns[i] = UpperAscii(text[i]);
        }
    }
    const int copied = i;
    for (; i < kAddressColumns; ++i) ctx->addressColumns[i] = kBlank;
    if (text == nullptr || copied < kAddressColumns) return true;
    for (const char *rest = text + kAddressColumns; *rest != '\0'; ++rest) {
        if (*rest != kBlank) return false;
    }
    return true;
}

bool ReadColumnNumber(const char *columns, int first, int width, int base, int *value) {
    int pos = first;
    while (pos < kAddressColumns && IsSpace(columns[pos])) ++pos;
    const int end = pos + width < kAddressColumns ? pos + width : kAddressColumns;
    bool negative = false;
    if (pos < end && (columns[pos] == '+' || columns[pos] == '-')) {
        negative = columns[pos++] == '-';
    }
    int number = 0;
    int digits = 0;
    for (; pos < end && DigitOf(columns[pos], base) >= 0; ++pos, ++digits) {
        number = number * base + DigitOf(columns[pos], base);
    }
    if (digits == 0) return false;
    *value = negative ? -number : number;
    return true;
}

bool ReadStationColumns(const char *columns, std::int32_t *station) {
    int number = 0;
    if (!ReadColumnNumber(columns, kColStation, kStationWidth, 10, &number)) return false;
    if (number < 0 || number > kMaxStation) return false;
    *station = number;
    const bool writtenZero = columns[kColStation] == '0' && columns[kColStation + 1] == '0';
    return number != 0 || writtenZero;
}

}  // namespace ordax
