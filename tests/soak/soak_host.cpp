#include "tests/soak/soak_host.h"

#include <cstdio>
#include <cstring>

namespace soak {

namespace {

constexpr std::size_t kBufferBytes = 256;  // more than any value of the items
constexpr std::uint8_t kUnwritten = 0xEE;
constexpr int kReparseOneIn = 25;
constexpr int kTimeoutChangeOneIn = 50;

// The counter word read between two publications of the fault thread.
bool CounterWithin(std::uint16_t value, std::uint32_t before, std::uint32_t after) {
    const auto low = static_cast<std::uint16_t>(before);
    return static_cast<std::uint16_t>(value - low) <= static_cast<std::uint16_t>(after + 1 - low);
}

}  // namespace

std::uint64_t HostCounts::exchanges() const {
    std::uint64_t n = otherResults;
    for (const auto &op : results) n += op[0] + op[1] + op[2];
    return n;
}

SoakHost::SoakHost(Plant &plant, const PlantChannel &channel, const FaultThread &faults,
                   std::uint64_t randomStart)
    : plant_(plant), channel_(channel), faults_(faults), rng_(randomStart) {
    for (const PlantStation &ps : channel_.stations) {
        StationState st{&ps, {}, {}, {}};
        for (int i = 0; i < kItemCount; ++i) {
            char prefix[4];
            std::snprintf(prefix, sizeof prefix, "%02d", ps.number);
            st.gates[i].text = std::string(prefix) + kItems[i].gate;
            st.values[i] = TrackedValue(InitialValue(kItems[i], ps.salt), ps.pair >= 0);
        }
        stations_.push_back(std::move(st));
    }
}

int SoakHost::Call(int command, void *args) {
    return ordax_test::HostCall(block_->bytes, command, channel_.plan.number, args);
}

int SoakHost::Open() {
    const int opened = ordax_test::OpenCommand(*block_, channel_.plan.number, 1, kTimeoutCs);
    openIssued_ = true;
    if (opened != PDX_DONE) {
        violations_.push_back("command 1 gave " + std::to_string(opened));
        return opened;
    }
    for (StationState &st : stations_) {
        for (int i = 0; i < kItemCount; ++i) {
            Gate &g = st.gates[i];
            g.record.addressText = g.text.c_str();
            g.record.gateId = i + 1;
            g.record.gateType = kItems[i].gateType;
            g.record.blockLength = kItems[i].blockLength;
            const int r =
                Call(kItems[i].blockLength > 0 ? PDX_PARSE_BLOCK : PDX_PARSE_GATE, &g.record);
            if (r != PDX_DONE) {
                Violation(st, kItems[i], "gate " + g.text + " parsed with " + std::to_string(r));
                return r;
            }
        }
    }
    return PDX_DONE;
}

int SoakHost::Close() {
    openIssued_ = false;
    return ordax_test::CloseCommand(*block_);
}

void SoakHost::Start() {
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
}

void SoakHost::Stop() {
    if (!thread_.joinable()) return;
    stop_ = true;
    thread_.join();
}

// A fresh GateAccess from the parsed record for every call, as the driver
// may move its data pointer and count.
int SoakHost::Exchange(Op op, const ItemSpec &item, Gate &gate, std::uint8_t *buffer) {
    GateAccess access{};
    access.addressText = gate.text.c_str();
    access.station = gate.record.station;
    access.fileType = gate.record.fileType;
    access.packedAddress = gate.record.packedAddress;
    access.bit = gate.record.bit;
    access.valueBits = gate.record.valueBits;
    access.count = item.blockLength > 0 ? item.blockLength : 1;
    access.data = buffer;
    const bool block = item.blockLength > 0;
    const int command = op == kRead ? (block ? PDX_READ_BLOCK : PDX_READ_GATE)
                                    : (block ? PDX_WRITE_BLOCK : PDX_WRITE_GATE);
    const int result = Call(command, &access);
    if (result >= PDX_DONE && result <= PDX_LINK_ERROR) {
        ++counts_.results[op][result];
    } else {
        ++counts_.otherResults;
    }
    return result;
}

int SoakHost::ReadItem(StationState &st, int i) {
    const ItemSpec &item = kItems[i];
    std::uint8_t buffer[kBufferBytes];
    std::memset(buffer, kUnwritten, sizeof buffer);
    const std::uint32_t before = faults_.published();
    const int result = Exchange(kRead, item, st.gates[i], buffer);
    const std::uint32_t after = faults_.published();
    if (result == PDX_REQUEST_ERROR) Violation(st, item, "read refused");
    if (result != PDX_DONE) return result;
    ++counts_.checkedReads;
    const Value v = FromHostBuffer(item, buffer);
    bool fits = false;
    switch (item.use) {
        case Use::kWritten:
            fits = st.values[i].Readable(v);
            break;
        case Use::kFixed:
            fits = v == InitialValue(item, st.plant->salt);
            break;
        case Use::kCounter:
            fits = CounterWithin(ValueWord(v), before, after);
            break;
    }
    if (!fits) {
        Violation(st, item,
                  "read " + Printable(v) + ", last written " + Printable(st.values[i].confirmed()) +
                      " and " + std::to_string(st.values[i].pending()) + " failed since");
    }
    return result;
}

int SoakHost::WriteItem(StationState &st, int i) {
    const ItemSpec &item = kItems[i];
    const Value v = WrittenValue(item, st.plant->salt, ++st.writes[i]);
    std::uint8_t buffer[kBufferBytes];
    std::memset(buffer, kUnwritten, sizeof buffer);
    ToHostBuffer(item, v, buffer);
    st.values[i].Attempt(v);
    const int result = Exchange(kWrite, item, st.gates[i], buffer);
    if (result == PDX_DONE) st.values[i].Confirm(v);
    return result;
}

// A gate parsed again while the channel thread may switch the station's
// pair gives the same record.
void SoakHost::Reparse(StationState &st, int i) {
    Gate &g = st.gates[i];
    GateRecord again = g.record;
    std::memset(&again.station, 0xCD, sizeof again - offsetof(GateRecord, station));
    const int r = Call(kItems[i].blockLength > 0 ? PDX_PARSE_BLOCK : PDX_PARSE_GATE, &again);
    ++counts_.parses;
    if (r != PDX_DONE || std::memcmp(&again, &g.record, sizeof again) != 0) {
        Violation(st, kItems[i],
                  "parsed again with result " + std::to_string(r) + " or another record");
    }
}

void SoakHost::Run() {
    while (!stop_) {
        StationState &st = stations_[static_cast<std::size_t>(rng_() % stations_.size())];
        const int i = static_cast<int>(rng_() % kItemCount);
        if (rng_() % kReparseOneIn == 0) Reparse(st, i);
        if (rng_() % kTimeoutChangeOneIn == 0) {
            TimeoutArgs args{};
            args.timeoutCs = rng_() % 2 == 0 ? kTimeoutCs : kLongTimeoutCs;
            Call(PDX_SET_REPLY_TIMEOUT, &args);
            ++counts_.timeoutChanges;
        }
        if (kItems[i].use == Use::kWritten && rng_() % 2 == 0) {
            WriteItem(st, i);
        } else {
            ReadItem(st, i);
        }
    }
}

void SoakHost::Probe() {
    for (StationState &st : stations_) ReadItem(st, kCounterItem);
}

void SoakHost::FinalRound() {
    for (StationState &st : stations_) {
        for (int i = 0; i < kItemCount; ++i) {
            if (kItems[i].use == Use::kWritten) {
                const int w = WriteItem(st, i);
                if (w != PDX_DONE) Violation(st, kItems[i], "final write " + std::to_string(w));
            }
            const int r = ReadItem(st, i);
            if (r != PDX_DONE) Violation(st, kItems[i], "final read " + std::to_string(r));
        }
    }
}

void SoakHost::CheckPlant(bool onMaster) {
    for (const StationState &st : stations_) {
        const std::vector<int> &processors = st.plant->processors;
        for (int i = 0; i < kItemCount; ++i) {
            const ItemSpec &item = kItems[i];
            if (item.use == Use::kCounter) continue;
            bool held = false;
            for (int handle : processors) {
                const std::optional<Value> v = SimValue(plant_.sim.station(handle), item);
                const bool fits =
                    v && (item.use == Use::kFixed ? *v == InitialValue(item, st.plant->salt)
                                                  : st.values[i].Possible(*v));
                if (item.use == Use::kFixed && !fits) Violation(st, item, "fixed value changed");
                if (fits && (!onMaster || handle == plant_.ActiveProcessor(*st.plant))) held = true;
            }
            if (item.use == Use::kWritten && !held) {
                Violation(st, item,
                          std::string(onMaster ? "master" : "no processor") +
                              " holds a value written since the last confirmed");
            }
        }
    }
}

void SoakHost::Violation(const StationState &st, const ItemSpec &item, const std::string &what) {
    char where[64];
    std::snprintf(where, sizeof where, "channel %d station %02d %s: ", channel_.plan.number,
                  st.plant->number, item.name);
    violations_.push_back(where + what);
}

}  // namespace soak
