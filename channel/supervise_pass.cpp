// The steps of a station's supervision pass besides its connects: the fall
// back to the partner after a failed connect and, for a hot-backup pair,
// the master-flag check that keeps it on the processor that is master.
#include <cstring>

#include "channel/channel.h"
#include "channel/channel_messages.h"
#include "core/relaxed.h"
#include "diag/report.h"
#include "diag/trace.h"
#include "link/link.h"

namespace ordax {

namespace {

constexpr int kMaxSwitchesPerPass = 2;
constexpr int kMaxFlagReadCalls = 3;
constexpr std::uint16_t kMasterFlagFile = 31;  // N31:0, bit 0
constexpr std::uint16_t kMasterFlagBit = 0x0001;

// An address field as a terminated text, even if the 32-byte field lost
// its terminator.
struct AddressText {
    char text[kAddressTextSize];
};

AddressText TextOf(const char (&field)[kAddressTextSize]) {
    AddressText a{};
    std::memcpy(a.text, field, sizeof a.text - 1);
    return a;
}

// Closes the station's connection; a connection there was goes to the trace.
void CloseTraced(const DriverContext &ctx, StationEntry &st, int number) {
    if (st.socket != plat::kNoSocket)
        TraceNote(StationTrace(ctx.trace, number, st.address), TraceEvent::kClose);
    CloseStation(st);
}

// Makes the other address of the pair active. The connection must already
// be closed; nothing but the active pair and onStandby changes. The trace
// names the new address on a line of the old.
void SwitchAddress(const DriverContext &ctx, StationEntry &st, int number, StationLockHeld) {
    const bool toBase = st.onStandby != 0;
    TraceNote(StationTrace(ctx.trace, number, st.address), TraceEvent::kSwitch,
              TextOf(toBase ? st.baseAddress : st.standbyAddress).text);
    // Transact tests plcType without the lock, so it is written whole.
    StoreRelaxed(st.plcType, toBase ? st.basePlcType : st.standbyPlcType);
    std::memcpy(st.address, toBase ? st.baseAddress : st.standbyAddress, kAddressTextSize);
    st.onStandby = toBase ? 0 : 1;
}

// The master flag is read only for a connected pair of an open channel.
bool MasterFlagDue(const DriverContext &ctx, const StationEntry &st) {
    return LoadRelaxed(ctx.channelOpen) != 0 && st.socket != plat::kNoSocket &&
           st.standbyPlcType != kPlcNone;
}

// The read of N31:0 (one word) at station `number`.
Transaction MasterFlagRequest(int number) {
    Transaction txn{};
    txn.function = ReadSingleWord;
    txn.station = static_cast<std::uint8_t>(number);
    txn.fileType = kFileN;
    txn.fileNumber = kMasterFlagFile;
    txn.element = 0;
    txn.subElement = 0;
    txn.count = 1;
    txn.bit = 0;
    return txn;
}

enum class FlagOutcome { kMaster, kNotMaster, kEndPass };

// Reads the active processor's master flag with a Transaction of the pass's
// own (the channel's txn belongs to the host's calls). A read that keeps
// timing out is tried up to three times. A failed read is reported, closes
// the station and ends the pass without a switch.
FlagOutcome ReadMasterFlag(DriverContext &ctx, StationEntry &st, int number, StationLockHeld held) {
    Transaction txn = MasterFlagRequest(number);
    // A trial build: a request that cannot be built is never sent.
    if (BuildPcccRequest(ctx, txn, nullptr, held) != kLinkOk) return FlagOutcome::kEndPass;
    LinkResult result = kLinkTimeout;
    for (int call = 0; call < kMaxFlagReadCalls && result == kLinkTimeout; ++call) {
        result = Transact(ctx, txn, nullptr, held);
    }
    if (ReportLinkStatus(result, txn, kOpMasterFlagRead, nullptr) != PDX_DONE) {
        Emit(chanmsg::kMasterFlagReadError, TextOf(st.address).text);
        CloseTraced(ctx, st, number);
        return FlagOutcome::kEndPass;
    }
    return (txn.data[0] & kMasterFlagBit) != 0 ? FlagOutcome::kMaster : FlagOutcome::kNotMaster;
}

}  // namespace

// Contract in channel.h.
bool FallBackToPartner(const DriverContext &ctx, StationEntry &station, int number,
                       StationLockHeld held) {
    if (station.standbyPlcType == kPlcNone) return false;
    SwitchAddress(ctx, station, number, held);
    Emit(chanmsg::kConnectHotBackup);
    return true;
}

// Contract in channel.h.
FlagStep CheckMasterFlag(DriverContext &ctx, StationEntry &station, int number, int *switches,
                         StationLockHeld held) {
    if (!MasterFlagDue(ctx, station)) return FlagStep::kPassDone;
    if (ReadMasterFlag(ctx, station, number, held) != FlagOutcome::kNotMaster) {
        return FlagStep::kPassDone;
    }
    ++*switches;
    Emit(chanmsg::kMasterFlagNotSet, TextOf(station.baseAddress).text,
         TextOf(station.standbyAddress).text);
    CloseTraced(ctx, station, number);
    SwitchAddress(ctx, station, number, held);
    return *switches < kMaxSwitchesPerPass ? FlagStep::kConnectAgain : FlagStep::kPassDone;
}

}  // namespace ordax
