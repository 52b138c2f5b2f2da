// Character classes of the driver's texts (gate addresses, node-file lines),
// on the byte value in the C locale: bytes above 127 belong to no class.
#pragma once

namespace ordax {

constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}

constexpr bool IsLower(char c) {
    return c >= 'a' && c <= 'z';
}

constexpr bool IsAlnum(char c) {
    return IsDigit(c) || IsUpper(c) || IsLower(c);
}

// Blank, tab, line feed, vertical tab, form feed, carriage return.
constexpr bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// ASCII upper case; every other byte stays as it is.
constexpr char UpperAscii(char c) {
    return IsLower(c) ? static_cast<char>(c - 'a' + 'A') : c;
}

// Value of `c` as a digit of `base` (8 or 10), or -1.
constexpr int DigitValue(char c, int base) {
    const int digit = IsDigit(c) ? c - '0' : -1;
    return digit < base ? digit : -1;
}

}  // namespace ordax
