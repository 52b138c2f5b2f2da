#include "bench/report/host_gate.h"

namespace bench {

namespace {

constexpr std::size_t kValueBytes = 4096;  // 1025 words and more

}  // namespace

HostGate::HostGate(void *block, int channel, const char *address, int gateType, int blockLength)
    : text_(address), buffer_(kValueBytes, 0) {
    record_.addressText = text_.c_str();
    record_.gateType = gateType;
    record_.blockLength = blockLength;
    call_.driverContext = block;
    call_.channel = channel;
    call_.command = blockLength > 0 ? PDX_PARSE_BLOCK : PDX_PARSE_GATE;
    call_.args = &record_;
}

bool HostGate::Parse() {
    call_.command = record_.blockLength > 0 ? PDX_PARSE_BLOCK : PDX_PARSE_GATE;
    call_.args = &record_;
    return PdxMain(&call_) == PDX_DONE;
}

int HostGate::Run(int command, int count) {
    access_ = GateAccess{text_.c_str(),
                         0,
                         record_.station,
                         record_.fileType,
                         record_.packedAddress,
                         record_.bit,
                         record_.valueBits,
                         0,
                         count,
                         0,
                         buffer_.data()};
    call_.command = command;
    call_.args = &access_;
    return PdxMain(&call_);
}

}  // namespace bench
