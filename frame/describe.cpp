// Command 14: describe the driver to the host.
#include "core/context.h"
#include "frame/banner.h"
#include "frame/commands.h"

namespace ordax {

// Fixed values the host expects in the DriverInfo record.
constexpr int32_t kInfoFixed0 = 70;
constexpr int32_t kInfoFixed16 = 1;
constexpr int32_t kInfoFixed28 = 3;

// Writes the six driver fields; offsets 20 and 24 stay as the host set them.
// Needs no channel and never looks at the channel block.
int DescribeDriver(PdxCall *call) {
    auto *info = static_cast<DriverInfo *>(call->args);
    if (info == nullptr) return PDX_DONE;
    info->fixed70 = kInfoFixed0;
    info->description = kDriverDescription;
    info->banner = kDriverBanner;
    info->contextSize = static_cast<int32_t>(kContextSize);
    info->fixed1 = kInfoFixed16;
    info->fixed3 = kInfoFixed28;
    return PDX_DONE;
}

}  // namespace ordax
