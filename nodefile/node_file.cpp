// Reading the channel's node file: file name, line dispatch, result.
#include "nodefile/node_file.h"

#include "nodefile/nodefile_messages.h"

namespace ordax {

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
        const NodeLineKind kind = KindOfNodeLine(line);
        if (kind == NodeLineKind::kTiming) {
            ApplyTimingLine(line, &ctx->timers);
        } else if (kind == NodeLineKind::kStation && ApplyStationLine(line, ctx)) {
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
