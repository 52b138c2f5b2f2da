// ordax describe: command 14, the driver's banner and description.
#include <cstdio>

#include "host/tamhub_gate.h"
#include "ordax.h"
#include "tools/ordax/commands.h"
#include "tools/ordax/cp437.h"

namespace ordax_cli {

int Describe() {
    DriverInfo info{};
    PdxCall call = TamHubPdxCall(nullptr, PDX_DESCRIBE_DRIVER, 0, &info);
    const int result = PdxMain(&call);
    if (result != PDX_DONE) {
        std::fprintf(stderr, "ordax: describe failed with %d\n", result);
        return result;
    }
    std::printf("%s", Cp437ToUtf8(info.banner).c_str());
    std::printf("\n%s\nchannel block: %d bytes\n", info.description, info.contextSize);
    return PDX_DONE;
}

}  // namespace ordax_cli
