// The 13-column work copy and the number reading.
#include "address/columns.h"

#include "core/text.h"

namespace ordax {

namespace {

constexpr char kBlank = ' ';
constexpr int kStationWidth = 2;
constexpr int kMaxStation = kStationCount - 1;

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
    for (; pos < end && DigitValue(columns[pos], base) >= 0; ++pos, ++digits) {
        number = number * base + DigitValue(columns[pos], base);
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

int ColumnNumberOr0(const char *columns, int first, int width, int base) {
    int value = 0;
    return ReadColumnNumber(columns, first, width, base, &value) ? value : 0;
}

}  // namespace ordax
