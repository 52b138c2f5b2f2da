// Banner text assembled at compile time from its frame and line parts.
#include "frame/banner.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace ordax {

namespace {

// Code page 437 box-drawing and shade characters.
constexpr char kCornerTopLeft = '\xC9';
constexpr char kCornerTopRight = '\xBB';
constexpr char kCornerBottomLeft = '\xC8';
constexpr char kCornerBottomRight = '\xBC';
constexpr char kHorizontal = '\xCD';
constexpr char kVertical = '\xBA';
constexpr char kFullBlock = '\xDB';
constexpr char kDarkShade = '\xB2';
constexpr char kMediumShade = '\xB1';
constexpr char kLightShade = '\xB0';

constexpr int kInnerWidth = 58;  // between the two frame characters
constexpr int kLineWidth = 61;   // blank, frame, 58 inner, frame
constexpr std::size_t kCapacity = 8 * (kLineWidth + 1) + 1;

// Fixed-capacity text built step by step in a constant expression.
struct Text {
    std::array<char, kCapacity> bytes{};
    std::size_t length = 0;

    constexpr void Put(char c, int times = 1) {
        for (int i = 0; i < times; ++i) bytes[length++] = c;
    }
    constexpr void Put(std::string_view s) {
        for (char c : s) bytes[length++] = c;
    }
};

// One framed line: blank, vertical, `lead` blanks, body, `trail` blanks, vertical.
constexpr void FramedLine(Text &t, int lead, std::string_view body, int trail) {
    t.Put(' ');
    t.Put(kVertical);
    t.Put(' ', lead);
    t.Put(body);
    t.Put(' ', trail);
    t.Put(kVertical);
    t.Put('\n');
}

constexpr void Border(Text &t, char left, char right) {
    t.Put(' ');
    t.Put(left);
    t.Put(kHorizontal, kInnerWidth);
    t.Put(right);
    t.Put('\n');
}

constexpr void TitleLine(Text &t) {
    t.Put(' ');
    t.Put(kVertical);
    t.Put(' ');
    t.Put(kFullBlock, 5);
    t.Put(kDarkShade, 6);
    t.Put(kMediumShade, 6);
    t.Put(kLightShade, 6);
    t.Put(' ');
    t.Put("O R D A X");
    t.Put(' ', 2);
    t.Put(kLightShade, 6);
    t.Put(kMediumShade, 6);
    t.Put(kDarkShade, 4);  // the right-hand run has four, not six
    t.Put(kFullBlock, 5);
    t.Put(' ');
    t.Put(kVertical);
    t.Put('\n');
}

constexpr std::string_view kProductLine = "Allen Bradley PLC-5/E, SLC5/05, Ethernet port.";
constexpr std::string_view kProtocolLine = "TCP/IP protocol, Driver Installed.";
// 46 characters: a 32-character notice of our own, then the version.
constexpr std::string_view kNoticeLine = "Ordax communication driver 2026 - Version 7.51";

static_assert(kProductLine.size() + 5 + 7 == kInnerWidth);
static_assert(kProtocolLine.size() + 9 + 15 == kInnerWidth);
static_assert(kNoticeLine.size() == 46 && kNoticeLine.substr(32) == "- Version 7.51");

constexpr Text BuildBanner() {
    Text t;
    t.Put('\n');  // the first line is empty
    Border(t, kCornerTopLeft, kCornerTopRight);
    TitleLine(t);
    FramedLine(t, 5, kProductLine, 7);
    FramedLine(t, 9, kProtocolLine, 15);
    FramedLine(t, 4, kNoticeLine, 8);
    Border(t, kCornerBottomLeft, kCornerBottomRight);
    t.bytes[t.length] = '\0';
    return t;
}

constexpr Text kBanner = BuildBanner();
static_assert(kBanner.length == 1 + 6 * (kLineWidth + 1));

}  // namespace

const char kDriverDescription[] = "Allen Bradley PLC-5/E, SLC5/05";
const char *const kDriverBanner = kBanner.bytes.data();
const int kDriverBannerLength = static_cast<int>(kBanner.length);

}  // namespace ordax
