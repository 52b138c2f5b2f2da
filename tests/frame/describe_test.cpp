// Command 14: the DriverInfo record and the banner's exact bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "core/context.h"
#include "ordax.h"

namespace {

DriverInfo Describe(DriverInfo info) {
    PdxCall call{};
    call.command = PDX_DESCRIBE_DRIVER;
    call.args = &info;
    EXPECT_EQ(PdxMain(&call), PDX_DONE);
    return info;
}

std::vector<std::string> Lines(const char *text) {
    std::vector<std::string> lines;
    std::string current;
    for (const char *p = text; *p != '\0'; ++p) {
        if (*p == '\n') {
            lines.push_back(current);
            current.clear();
        } else {
            current += *p;
        }
    }
    lines.push_back(current);
    return lines;
}

std::string Repeat(unsigned char c, int n) {
    return std::string(static_cast<size_t>(n), static_cast<char>(c));
}

// Joins the parts by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on chains of
// "..." + std::string.
std::string Cat(std::initializer_list<std::string_view> parts) {
    std::string s;
    for (std::string_view p : parts) s.append(p);
    return s;
}

TEST(Describe, FillsFixedFieldsAndLeavesHostFieldsAlone) {
    DriverInfo in;
    std::memset(&in, 0x5A, sizeof in);
    in.hostOwned20 = 0x11223344;
    in.hostOwned24 = -7;
    DriverInfo out = Describe(in);
    EXPECT_EQ(out.fixed70, 70);
    EXPECT_STREQ(out.description, "Allen Bradley PLC-5/E, SLC5/05");
    EXPECT_EQ(out.contextSize, 20000);
    EXPECT_EQ(out.fixed1, 1);
    EXPECT_EQ(out.fixed3, 3);
    EXPECT_EQ(out.hostOwned20, 0x11223344);
    EXPECT_EQ(out.hostOwned24, -7);
}

TEST(Describe, NeedsNoChannelBlock) {
    DriverInfo info{};
    PdxCall call{};
    call.driverContext = nullptr;
    call.command = PDX_DESCRIBE_DRIVER;
    call.args = &info;
    EXPECT_EQ(PdxMain(&call), PDX_DONE);
    EXPECT_NE(info.banner, nullptr);
}

TEST(Describe, TextsAreStableConstantData) {
    DriverInfo a = Describe(DriverInfo{});
    DriverInfo b = Describe(DriverInfo{});
    EXPECT_EQ(a.banner, b.banner);
    EXPECT_EQ(a.description, b.description);
}

TEST(Banner, HasEightLinesOfWhichSixVisibleAreSixtyOneWide) {
    auto lines = Lines(Describe(DriverInfo{}).banner);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[7], "");
    for (int i = 1; i <= 6; ++i)
        EXPECT_EQ(lines[static_cast<size_t>(i)].size(), 61u) << "line " << i + 1;
}

TEST(Banner, ExactBytes) {
    auto lines = Lines(Describe(DriverInfo{}).banner);
    ASSERT_EQ(lines.size(), 8u);
    const std::string v = Repeat(0xBA, 1);
    EXPECT_EQ(lines[1], Cat({" ", Repeat(0xC9, 1), Repeat(0xCD, 58), Repeat(0xBB, 1)}));
    EXPECT_EQ(lines[2], Cat({" ", v, " ", Repeat(0xDB, 5), Repeat(0xB2, 6), Repeat(0xB1, 6),
                             Repeat(0xB0, 6), " O R D A X  ", Repeat(0xB0, 6), Repeat(0xB1, 6),
                             Repeat(0xB2, 4), Repeat(0xDB, 5), " ", v}));
    EXPECT_EQ(lines[3],
              Cat({" ", v, "     Allen Bradley PLC-5/E, SLC5/05, Ethernet port.       ", v}));
    EXPECT_EQ(lines[4],
              Cat({" ", v, "         TCP/IP protocol, Driver Installed.               ", v}));
    const std::string &notice = lines[5];
    EXPECT_EQ(notice.substr(0, 6), Cat({" ", v, "    "}));
    EXPECT_EQ(notice.substr(6 + 32, 14), "- Version 7.51");
    EXPECT_EQ(notice.substr(6 + 46), Cat({"        ", v}));
    EXPECT_EQ(lines[6], Cat({" ", Repeat(0xC8, 1), Repeat(0xCD, 58), Repeat(0xBC, 1)}));
}

TEST(Banner, StartsAndEndsWithLineFeed) {
    const char *banner = Describe(DriverInfo{}).banner;
    size_t n = std::strlen(banner);
    ASSERT_GT(n, 2u);
    EXPECT_EQ(banner[0], '\n');
    EXPECT_EQ(banner[n - 1], '\n');
    EXPECT_EQ(n, 1u + 6u * 62u);
}

TEST(ChannelBlock, FitsInTwentyThousandBytes) {
    EXPECT_LE(sizeof(ordax::DriverContext), 20000u);
    // The last field must also lie inside the block the host provides.
    EXPECT_LE(offsetof(ordax::DriverContext, stringDefinitions) + sizeof(void *), 20000u);
}

}  // namespace
