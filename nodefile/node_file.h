// The channel's node configuration file: the PLC stations of the channel and
// its four timing settings, one small text file per channel.
#pragma once

#include <cstdint>
#include <cstdio>

#include "core/context.h"
#include "core/text.h"

namespace ordax {

constexpr int kNodeLineCapacity = 136;  // 135 characters and a terminator
constexpr int kNodeLineMax = kNodeLineCapacity - 1;
constexpr int kNodeFileNameCapacity = 24;  // "Ordax" + any int + ".int" + NUL

constexpr char kNodeFileFormat[] = "Ordax%.2d.int";

// Writes the node file name of `channel` into `name`: "Ordax%.2d.int", no
// directory part (looked up in the current directory). Every int fits.
// Inline, so that programs beside the driver that write node files for it
// name them the same way.
inline void NodeFileName(int channel, char (&name)[kNodeFileNameCapacity]) {
    std::snprintf(name, sizeof name, kNodeFileFormat, channel);
}

// The bytes a node line keeps: 33..127. Blanks, control characters and
// bytes above 127 are dropped wherever they stand.
constexpr bool IsNodeLineByte(int byte) {
    return byte >= 33 && byte <= 127;
}

// What a line is, by its first character: 'T' (upper case only) a timing
// line, a digit a station line, anything else (an empty line too) a comment.
enum class NodeLineKind { kComment, kTiming, kStation };

constexpr char kTimingLineStart = 'T';

constexpr NodeLineKind KindOfNodeLine(const char *line) {
    if (line[0] == kTimingLineStart) return NodeLineKind::kTiming;
    return IsDigit(line[0]) ? NodeLineKind::kStation : NodeLineKind::kComment;
}

// The characters that split a station line after its address begins.
constexpr char kStandbyStart = ',';      // first one only
constexpr char kBaseTypeStart = '-';     // last one wins
constexpr char kStandbyTypeStart = ';';  // last one wins
constexpr char kTimingValueEnd = ';';
constexpr std::size_t kNodeAddressMax = kAddressTextSize - 1;  // characters of an address text

// Reads the next line of `file` into `line`, terminated. Only bytes 33..127
// are kept; blanks, control characters and bytes above 127 are dropped
// wherever they stand. The line feed ends the line and is not kept. After
// 135 kept characters the rest of the line is dropped up to its line feed.
// A last line without a line feed is returned whatever its length. False at
// the end of the file when the line gathered nothing.
bool ReadNodeLine(std::FILE *file, char (&line)[kNodeLineCapacity]);

// The four settings in the order a timing line gives them. The two waits
// for a station are held to a minute: a negative value (-1 reads as
// 0xFFFFFFFF) or one above kMaxWaitMs is taken as kMaxWaitMs, so no setting
// makes a connect or a session wait endless; 0 stays 0.
struct TimingLineSetting {
    std::uint32_t ChannelTimers::*field;
    bool boundedWait;
};

inline constexpr TimingLineSetting kTimingLineSettings[] = {
    {&ChannelTimers::superviseInterval, false},
    {&ChannelTimers::loopSleep, false},
    {&ChannelTimers::connectTimeout, true},
    {&ChannelTimers::sessionTimeout, true},
};

// Converts a timing value like atol: optional sign, decimal digits, stop at
// the first other character; no digit gives 0. The magnitude saturates at
// the 32-bit range instead of overflowing.
std::int32_t TimingValue(const char *text);

// Applies a timing line "T<v1>;<v2>;<v3>;<v4>;" to `timers`: each value that
// has its closing ';' and is not empty replaces its setting; the line stops
// at the first value without ';'.
void ApplyTimingLine(const char *line, ChannelTimers *timers);

// The pieces of one station line, each pointing into the line's copy that
// SplitStationLine cut at the separators.
struct StationLineParts {
    int station;
    const char *base;
    const char *baseType;     // nullptr when the line has no '-'
    char *standby;            // nullptr when the line has no ','
    const char *standbyType;  // nullptr when the line has no ';'
};

// Splits `text` in place at the first ',' and at every '-' and ';' after the
// base address text. False when no letter or digit follows the separator;
// `station` is set either way.
bool SplitStationLine(char *text, StationLineParts *parts);

// Applies a station line "<nn><sep><base>[-type][,<standby>][;type]" to its
// StationEntry. False (station untouched) when nothing follows the separator
// or an address text is longer than 31 characters.
bool ApplyStationLine(const char *line, DriverContext *ctx);

// Reads the node file at `path` into the stations and timers of `ctx`.
// Reports "Ordax : File %s not found !" (level 32) when it cannot be
// opened. True when at least one station line was applied.
bool ReadNodeFileAt(DriverContext *ctx, const char *path);

// ReadNodeFileAt for the node file of `channel` in the current directory.
bool ReadNodeFile(DriverContext *ctx, int channel);

}  // namespace ordax
