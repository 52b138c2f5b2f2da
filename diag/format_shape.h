// Compile-time check of the printf conversions of a message format kept in a
// table, so that formats which cannot be checked at their call site are at
// least checked where they are defined.
#pragma once

namespace ordax::diag {

// True when `format` contains exactly the conversions listed in `expected`,
// in order, one letter each ("ssX" = %s, %s, then %X with any flags and
// width). "%%" is not a conversion. Use in static_assert.
constexpr bool HasConversions(const char *format, const char *expected) {
    const char *want = expected;
    for (const char *p = format; *p != '\0'; ++p) {
        if (*p != '%') continue;
        ++p;
        if (*p == '%') continue;
        while (*p == '-' || *p == '+' || *p == ' ' || *p == '#' || (*p >= '0' && *p <= '9')) {
            ++p;
        }
        if (*p == '\0' || *want == '\0' || *p != *want) return false;
        ++want;
    }
    return *want == '\0';
}

}  // namespace ordax::diag
