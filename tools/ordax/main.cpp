// ordax: command-line host of the driver.
//
//   ordax describe     print the driver's description and banner
#include <cstdio>
#include <cstring>

#include "ordax.h"
#include "tools/ordax/cp437.h"

namespace {

int Describe() {
    DriverInfo info{};
    PdxCall call{};
    call.command = PDX_DESCRIBE_DRIVER;
    call.args = &info;
    int result = PdxMain(&call);
    if (result != PDX_DONE) {
        std::fprintf(stderr, "ordax: describe failed with %d\n", result);
        return 1;
    }
    std::printf("%s", ordax_cli::Cp437ToUtf8(info.banner).c_str());
    std::printf("\n%s\nchannel block: %d bytes\n", info.description, info.contextSize);
    return 0;
}

void Usage() {
    std::printf(
        "usage: ordax describe\n"
        "  describe   print the driver's description and banner\n");
}

}  // namespace

int main(int argc, char **argv) {
    if (argc >= 2 && std::strcmp(argv[1], "describe") == 0) return Describe();
    Usage();
    return argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)
               ? 0
               : 2;
}
