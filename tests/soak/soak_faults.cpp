#include "tests/soak/soak_faults.h"

#include <algorithm>

#include "platform/clock.h"
#include "tests/soak/soak_items.h"

namespace soak {

namespace {

constexpr int kLateReplyMs = 1500;  // beyond both reply time-outs the hosts set

struct FaultRow {
    FaultKind kind;
    const char *name;
    int weight;
    int lastsMinMs;  // 0: takes effect once, nothing to take back
    int lastsMaxMs;
};

// The order of FaultKind.
constexpr FaultRow kFaults[] = {
    {FaultKind::kLateReply, "late reply", 2, 500, 3000},
    {FaultKind::kSwallow, "swallowed request", 3, 0, 0},
    {FaultKind::kWrongTns, "wrong TNS pre-reply", 3, 0, 0},
    {FaultKind::kSplitFrames, "split frames", 3, 500, 3000},
    {FaultKind::kCloseMidFrame, "closed mid-frame", 3, 0, 0},
    {FaultKind::kDrop, "connections dropped", 2, 0, 0},
    {FaultKind::kRefuse, "connections refused", 2, 300, 2500},
    {FaultKind::kProgramMode, "program mode", 2, 300, 2000},
    {FaultKind::kSwapMaster, "master swap", 2, 0, 0},
};
static_assert(std::size(kFaults) == kFaultKinds);

const FaultRow &RowOf(FaultKind kind) {
    return kFaults[static_cast<int>(kind)];
}

}  // namespace

const char *FaultName(FaultKind kind) {
    return RowOf(kind).name;
}

void FaultThread::Start() {
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
}

void FaultThread::Stop() {
    if (!thread_.joinable()) return;
    stop_ = true;
    thread_.join();
    for (int handle : plant_.processors) plant_.sim.station(handle).ClearFaults();
    lasting_.clear();
}

void FaultThread::Run() {
    int total = 0;
    for (const FaultRow &row : kFaults) total += row.weight;
    while (!stop_) {
        plat::SleepMs(static_cast<std::uint32_t>(20 + rng_() % 160));
        const std::uint32_t now = plat::TickCount();
        auto due = std::partition(lasting_.begin(), lasting_.end(), [now](const Lasting &f) {
            return static_cast<std::int32_t>(now - f.due) < 0;
        });
        for (auto it = due; it != lasting_.end(); ++it) TakeBack(*it);
        lasting_.erase(due, lasting_.end());

        int pick = static_cast<int>(rng_() % static_cast<std::uint64_t>(total));
        const FaultRow *row = kFaults;
        while (pick >= row->weight) pick -= (row++)->weight;
        const int handle =
            plant_.processors[static_cast<std::size_t>(rng_() % plant_.processors.size())];
        Inject(row->kind, handle);
        ++counts_[static_cast<int>(row->kind)];
        if (row->lastsMaxMs > 0) {
            const auto span = static_cast<std::uint64_t>(row->lastsMaxMs - row->lastsMinMs);
            const auto lasts = static_cast<std::uint32_t>(row->lastsMinMs) +
                               static_cast<std::uint32_t>(rng_() % (span + 1));
            lasting_.push_back({now + lasts, handle, row->kind});
        }
        RaiseCounter();
    }
}

void FaultThread::Inject(FaultKind kind, int handle) {
    plcsim::Station &plc = plant_.sim.station(handle);
    switch (kind) {
        case FaultKind::kLateReply:
            plc.SetReplyDelay(kLateReplyMs);
            break;
        case FaultKind::kSwallow:
            plc.SwallowNext(1 + static_cast<int>(rng_() % 2));
            break;
        case FaultKind::kWrongTns:
            plc.SetPreReply(plcsim::PreReply::WrongTns, 1 + static_cast<int>(rng_() % 3));
            break;
        case FaultKind::kSplitFrames:
            plc.SetSplit({static_cast<std::size_t>(1 + rng_() % 8),
                          static_cast<std::size_t>(1 + rng_() % 16)},
                         static_cast<int>(rng_() % 4));
            break;
        case FaultKind::kCloseMidFrame:
            // Shorter than any reply: the header alone has 28 bytes.
            plc.CloseAfterBytes(static_cast<std::size_t>(rng_() % 40));
            break;
        case FaultKind::kDrop:
            plc.DropConnections();
            break;
        case FaultKind::kRefuse:
            plc.SetAccepting(false);
            plc.DropConnections();
            break;
        case FaultKind::kProgramMode:
            plc.SetProgramMode(true);
            break;
        case FaultKind::kSwapMaster:
            if (plant_.sim.pairCount() > 0) {
                plant_.sim.SwapMaster(
                    static_cast<int>(rng_() % static_cast<std::uint64_t>(plant_.sim.pairCount())));
            }
            break;
        case FaultKind::kCount:
            break;
    }
}

void FaultThread::TakeBack(const Lasting &fault) {
    plcsim::Station &plc = plant_.sim.station(fault.handle);
    switch (fault.kind) {
        case FaultKind::kLateReply:
            plc.SetReplyDelay(0);
            break;
        case FaultKind::kSplitFrames:
            plc.SetSplit({}, 0);
            break;
        case FaultKind::kRefuse:
            plc.SetAccepting(true);
            break;
        case FaultKind::kProgramMode:
            plc.SetProgramMode(false);
            break;
        default:
            break;
    }
}

// Every processor gets the new value before it is published.
void FaultThread::RaiseCounter() {
    const std::uint32_t next = published_.load(std::memory_order_relaxed) + 1;
    for (int handle : plant_.processors) {
        plant_.sim.station(handle).SetWord(kItems[kCounterItem].at,
                                           static_cast<std::uint16_t>(next));
    }
    published_.store(next, std::memory_order_release);
}

}  // namespace soak
