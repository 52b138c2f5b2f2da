// The channel's node configuration file: the PLC stations of the channel and
// its four timing settings, one small text file per channel.
#pragma once

#include <cstdio>

#include "core/context.h"

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

// Reads the next line of `file` into `line`, terminated. Only bytes 33..127
// are kept; blanks, control characters and bytes above 127 are dropped
// wherever they stand. The line feed ends the line and is not kept. After
// 135 kept characters the rest of the line is dropped up to its line feed.
// A last line without a line feed is returned whatever its length. False at
// the end of the file when the line gathered nothing.
bool ReadNodeLine(std::FILE *file, char (&line)[kNodeLineCapacity]);

// Applies a timing line "T<v1>;<v2>;<v3>;<v4>;" to `timers`: each value that
// has its closing ';' and is not empty replaces its setting; the line stops
// at the first value without ';'.
void ApplyTimingLine(const char *line, ChannelTimers *timers);

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
