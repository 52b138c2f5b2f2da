// Compile-time checks of printf formats kept in tables, so that a format
// which cannot be checked where it is used is checked where it is defined.
#pragma once

namespace ordax {

// Steps past one conversion's flags, width and precision; `p` points just
// after the '%' and ends on the conversion letter (or the terminator).
constexpr const char *SkipConversionSpec(const char *p) {
    while (*p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '.' ||
           (*p >= '0' && *p <= '9')) {
        ++p;
    }
    return p;
}

// Calls `take(letter)` for every conversion of `format` in order ("%%" is no
// conversion). False when `take` refuses a letter or the format ends inside
// a conversion.
template <typename Take>
constexpr bool ForEachConversion(const char *format, Take take) {
    for (const char *p = format; *p != '\0'; ++p) {
        if (*p != '%') continue;
        ++p;
        if (*p == '%') continue;
        p = SkipConversionSpec(p);
        if (*p == '\0' || !take(*p)) return false;
    }
    return true;
}

// True when `format` contains exactly the conversions listed in `expected`,
// in order, one letter each ("ssX" = %s, %s, then %X with any flags and
// width). Use in static_assert.
constexpr bool HasConversions(const char *format, const char *expected) {
    const char *want = expected;
    const bool ok = ForEachConversion(format, [&want](char letter) {
        if (*want == '\0' || *want != letter) return false;
        ++want;
        return true;
    });
    return ok && *want == '\0';
}

}  // namespace ordax
