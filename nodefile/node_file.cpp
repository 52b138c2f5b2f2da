// Reading the channel's node file: file name, line dispatch, result.
#include "nodefile/node_file.h"

#include "core/text.h"
#include "nodefile/nodefile_messages.h"

namespace ordax {

namespace {

constexpr char kTimingLineStart = 'T';  // upper case only

}  // namespace

// Lines are dispatched on their first character: 'T' timing, a digit a
// station, anything else (empty lines included) is a comment.
bool ReadNodeFileAt(DriverContext *ctx, const char *path) {
    std::FILE *file = std::fopen(path, "r");
    if (file == nullptr) {
        Emit(nodemsg::kNodeFileMissing, path);
        return false;
    }
    bool anyStation = false;
    char line[kNodeLineCapacity];
    while (ReadNodeLine(file, line)) {
        if (line[0] == kTimingLineStart) {
            ApplyTimingLine(line, &ctx->timers);
        } else if (IsDigit(line[0]) && ApplyStationLine(line, ctx)) {
            anyStation = true;
        }
    }
    std::fclose(file);
    return anyStation;
}

bool ReadNodeFile(DriverContext *ctx, int channel) {
    char name[kNodeFileNameCapacity];
    NodeFileName(channel, name);
    return ReadNodeFileAt(ctx, name);
}

}  // namespace ordax
