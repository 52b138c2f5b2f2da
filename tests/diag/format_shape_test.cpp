// The conversion check that guards the first-line formats of the tables.
#include <gtest/gtest.h>

#include "diag/format_shape.h"

namespace {

using ordax::diag::HasConversions;

TEST(FormatShape, AcceptsExactConversions) {
    EXPECT_TRUE(HasConversions("Ordax : %s, Gate Address: %s, Local Sts Error: 0x%02X", "ssX"));
    EXPECT_TRUE(HasConversions("Ordax: %s, Channel not Open", "s"));
    EXPECT_TRUE(HasConversions("100%% of %s", "s"));
    EXPECT_TRUE(HasConversions("no conversion", ""));
}

TEST(FormatShape, RejectsMissingExtraOrWrongConversions) {
    EXPECT_FALSE(HasConversions("Ordax : %s, Parseing Error", "ss"));    // one too few
    EXPECT_FALSE(HasConversions("Ordax : %s %s, Parseing Error", "s"));  // one too many
    EXPECT_FALSE(HasConversions("Ordax : %s, Code 0x%02X", "ss"));       // %X where %s is passed
    EXPECT_FALSE(HasConversions("Ordax : %s, Code 0x%02d", "sX"));       // signed where unsigned
    EXPECT_FALSE(HasConversions("trailing %", "s"));
    EXPECT_FALSE(HasConversions("Ordax : %n", "s"));
}

}  // namespace
