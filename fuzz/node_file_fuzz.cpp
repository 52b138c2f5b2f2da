// The node-file reader over any file contents. Input: the file.
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "core/context.h"
#include "fuzz/fuzz_input.h"
#include "nodefile/node_file.h"
#include "testkit/channel_block.h"

namespace {

// A file of this process that every run rewrites.
const std::string &ScratchPath() {
    static const std::string path = [] {
        const char *dir = std::getenv("TMPDIR");
        std::string p = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") +
                        "/ordax-fuzz-nodefile-XXXXXX";
        const int fd = ::mkstemp(p.data());
        FUZZ_CHECK(fd >= 0);
        ::close(fd);
        std::atexit([] { std::remove(ScratchPath().c_str()); });
        return p;
    }();
    return path;
}

void WriteFile(const std::string &path, const std::uint8_t *data, std::size_t size) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(std::fwrite(data, 1, size, f) == size);
    std::fclose(f);
}

bool Terminated(const char (&text)[ordax::kAddressTextSize]) {
    return std::memchr(text, '\0', sizeof text) != nullptr;
}

bool KnownType(std::int32_t t) {
    return t == ordax::kPlcNone || t == ordax::kPlc5 || t == ordax::kSlc5;
}

// Every line the reader returns keeps only bytes 33..127, at most 135 of them.
void CheckLines(const std::string &path) {
    std::FILE *f = std::fopen(path.c_str(), "r");
    FUZZ_CHECK(f != nullptr);
    char line[ordax::kNodeLineCapacity];
    std::memset(line, 'x', sizeof line);
    while (ordax::ReadNodeLine(f, line)) {
        const std::size_t n = strnlen(line, sizeof line);
        FUZZ_CHECK(n < sizeof line);
        for (std::size_t i = 0; i < n; ++i) {
            const auto c = static_cast<unsigned char>(line[i]);
            FUZZ_CHECK(c >= 33 && c <= 127);
        }
    }
    std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzz::CheckMessagesOnce();
    const std::string &path = ScratchPath();
    WriteFile(path, data, size);
    CheckLines(path);

    auto ctx = ordax_test::NewChannelBlock(ordax_test::ChannelState::kClosed);
    auto before = std::make_unique<ordax::DriverContext>();
    std::memcpy(before.get(), ctx.get(), sizeof *ctx);
    const bool any = ordax::ReadNodeFileAt(ctx.get(), path.c_str());

    bool configured = false;
    for (int n = 0; n < ordax::kStationCount; ++n) {
        ordax::StationEntry &st = ctx->stations[n];
        ordax::StationEntry &was = before->stations[n];
        FUZZ_CHECK(KnownType(st.plcType) && KnownType(st.standbyPlcType));
        FUZZ_CHECK(st.plcType == st.basePlcType);
        FUZZ_CHECK(Terminated(st.address) && Terminated(st.baseAddress) &&
                   Terminated(st.standbyAddress));
        FUZZ_CHECK(std::strcmp(st.address, st.baseAddress) == 0);
        if (st.plcType == ordax::kPlcNone) {
            FUZZ_CHECK(st.address[0] == '\0' && st.standbyPlcType == ordax::kPlcNone);
        } else {
            configured = true;
            FUZZ_CHECK(std::isalnum(static_cast<unsigned char>(st.address[0])));
        }
        // Only the station's addresses and types are the reader's to write.
        was.plcType = st.plcType;
        was.basePlcType = st.basePlcType;
        was.standbyPlcType = st.standbyPlcType;
        std::memcpy(was.address, st.address, sizeof st.address);
        std::memcpy(was.baseAddress, st.baseAddress, sizeof st.baseAddress);
        std::memcpy(was.standbyAddress, st.standbyAddress, sizeof st.standbyAddress);
    }
    FUZZ_CHECK(any == configured);
    before->timers = ctx->timers;
    FUZZ_CHECK(std::memcmp(before.get(), ctx.get(), sizeof *ctx) == 0);
    return 0;
}
