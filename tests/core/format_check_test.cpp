// The conversion checks that guard every operator message format: the exact
// shape check of the status-report tables and the per-type check of messages.
#include <gtest/gtest.h>

#include "core/format_check.h"
#include "core/message.h"

namespace {

using ordax::FormatTakes;
using ordax::HasConversions;

TEST(FormatCheck, ShapeAcceptsExactConversions) {
    EXPECT_TRUE(HasConversions("Ordax : %s, Gate Address: %s, Local Sts Error: 0x%02X", "ssX"));
    EXPECT_TRUE(HasConversions("Ordax: %s, Channel not Open", "s"));
    EXPECT_TRUE(HasConversions("100%% of %s", "s"));
    EXPECT_TRUE(HasConversions("no conversion", ""));
}

TEST(FormatCheck, ShapeRejectsMissingExtraOrWrongConversions) {
    EXPECT_FALSE(HasConversions("Ordax : %s, Parseing Error", "ss"));    // one too few
    EXPECT_FALSE(HasConversions("Ordax : %s %s, Parseing Error", "s"));  // one too many
    EXPECT_FALSE(HasConversions("Ordax : %s, Code 0x%02X", "ss"));       // %X where %s is passed
    EXPECT_FALSE(HasConversions("Ordax : %s, Code 0x%02d", "sX"));       // signed where unsigned
    EXPECT_FALSE(HasConversions("trailing %", "s"));
    EXPECT_FALSE(HasConversions("Ordax : %n", "s"));
}

// The message record's check, by argument types.
TEST(FormatCheck, MessageFormatsMatchArgumentTypes) {
    EXPECT_TRUE(FormatTakes<>("Ordax : Timeout from receive message"));
    EXPECT_TRUE(FormatTakes<>("100%% done"));
    EXPECT_TRUE(FormatTakes<const char *>("Ordax : Connected to %s"));
    EXPECT_TRUE((FormatTakes<int, int>("Ordax : Receive Message error %d 0x%d")));
    EXPECT_TRUE((FormatTakes<int, int>("Ordax : socket connect unknown error code %d 0x%x")));
    EXPECT_TRUE((FormatTakes<int, int, const char *>("Errno %d 0x%X for %s")));
    EXPECT_TRUE((FormatTakes<const char *, unsigned>("%s 0x%02X")));
    EXPECT_TRUE(FormatTakes<int>("Ordax%.2d.int"));

    EXPECT_FALSE(FormatTakes<>("Ordax : Connected to %s"));        // conversion without argument
    EXPECT_FALSE(FormatTakes<const char *>("Ordax : Connected"));  // argument without conversion
    EXPECT_FALSE(FormatTakes<int>("station %s"));                  // number where text is read
    EXPECT_FALSE(FormatTakes<const char *>("station %d"));         // text where number is read
    EXPECT_FALSE((FormatTakes<int, const char *>("%s %d")));       // order swapped
    EXPECT_FALSE(FormatTakes<unsigned>("%s"));
    EXPECT_FALSE(FormatTakes<int>("%n"));
    EXPECT_FALSE(FormatTakes<int>("ends in %"));
}

}  // namespace
