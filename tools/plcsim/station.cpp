// Station: data access, faults and inspection of one simulated processor.
#include <algorithm>
#include <bit>
#include <cstring>

#include "tools/plcsim/listener.h"
#include "tools/plcsim/loop.h"

namespace plcsim {

namespace {

constexpr size_t kStringChars = 82;

// Runs `fn(state)` under the simulator's lock.
template <typename Fn>
auto WithState(Simulator::Impl &impl, int handle, Fn fn) {
    std::lock_guard<std::mutex> hold(impl.mutex);
    return fn(*impl.StateLocked(handle));
}

// Float words in the family's order: PLC-5 high word first, SLC low word first.
void PutFloat(uint16_t *w, float value, Family family) {
    uint32_t bits = std::bit_cast<uint32_t>(value);
    uint16_t hi = static_cast<uint16_t>(bits >> 16);
    uint16_t lo = static_cast<uint16_t>(bits & 0xFFFF);
    w[0] = family == Family::Plc5 ? hi : lo;
    w[1] = family == Family::Plc5 ? lo : hi;
}

float GetFloatWords(const uint16_t *w, Family family) {
    uint32_t hi = family == Family::Plc5 ? w[0] : w[1];
    uint32_t lo = family == Family::Plc5 ? w[1] : w[0];
    return std::bit_cast<float>((hi << 16) | lo);
}

bool IsFloatPlace(const Address &a) {
    return a.type == FileType::F ? a.sub == 0 : a.type == FileType::PD;
}

}  // namespace

Family Station::family() const {
    return WithState(*sim_->impl_, handle_, [](StationState &st) { return st.config.family; });
}

std::string Station::ip() const {
    return WithState(*sim_->impl_, handle_, [](StationState &st) { return st.config.ip; });
}

bool Station::SetWord(const Address &a, uint16_t value) {
    return SetWords(a, {value});
}

std::optional<uint16_t> Station::GetWord(const Address &a) const {
    auto words = GetWords(a, 1);
    if (!words) return std::nullopt;
    return (*words)[0];
}

bool Station::SetWords(const Address &a, const std::vector<uint16_t> &words) {
    return WithState(*sim_->impl_, handle_, [&](StationState &st) {
        size_t at = 0;
        DataFile *f = nullptr;
        if (!st.tables.LocateApi(a, static_cast<int>(words.size()), at, f)) return false;
        std::copy(words.begin(), words.end(), f->words.begin() + static_cast<long>(at));
        return true;
    });
}

std::optional<std::vector<uint16_t>> Station::GetWords(const Address &a, int count) const {
    return WithState(*sim_->impl_, handle_,
                     [&](StationState &st) -> std::optional<std::vector<uint16_t>> {
                         size_t at = 0;
                         DataFile *f = nullptr;
                         if (!st.tables.LocateApi(a, count, at, f)) return std::nullopt;
                         auto first = f->words.begin() + static_cast<long>(at);
                         return std::vector<uint16_t>(first, first + count);
                     });
}

bool Station::SetFloat(const Address &a, float value) {
    return WithState(*sim_->impl_, handle_, [&](StationState &st) {
        size_t at = 0;
        DataFile *f = nullptr;
        if (!IsFloatPlace(a) || !st.tables.LocateApi(a, 2, at, f)) return false;
        PutFloat(&f->words[at], value, st.config.family);
        return true;
    });
}

std::optional<float> Station::GetFloat(const Address &a) const {
    return WithState(*sim_->impl_, handle_, [&](StationState &st) -> std::optional<float> {
        size_t at = 0;
        DataFile *f = nullptr;
        if (!IsFloatPlace(a) || !st.tables.LocateApi(a, 2, at, f)) return std::nullopt;
        return GetFloatWords(&f->words[at], st.config.family);
    });
}

// String element: length word, then the characters two to a word, first in the high byte.
bool Station::SetString(const Address &a, std::string_view text) {
    return WithState(*sim_->impl_, handle_, [&](StationState &st) {
        size_t at = 0;
        DataFile *f = nullptr;
        if (a.type != FileType::ST || a.sub != 0 || text.size() > kStringChars ||
            !st.tables.LocateApi(a, 42, at, f))
            return false;
        uint16_t *w = &f->words[at];
        std::fill(w, w + 42, uint16_t{0});
        w[0] = static_cast<uint16_t>(text.size());
        for (size_t i = 0; i < text.size(); ++i) {
            uint16_t c = static_cast<uint8_t>(text[i]);
            w[1 + i / 2] |= static_cast<uint16_t>(i % 2 == 0 ? c << 8 : c);
        }
        return true;
    });
}

std::optional<std::string> Station::GetString(const Address &a) const {
    return WithState(*sim_->impl_, handle_, [&](StationState &st) -> std::optional<std::string> {
        size_t at = 0;
        DataFile *f = nullptr;
        if (a.type != FileType::ST || a.sub != 0 || !st.tables.LocateApi(a, 42, at, f))
            return std::nullopt;
        const uint16_t *w = &f->words[at];
        size_t length = std::min<size_t>(w[0], kStringChars);
        std::string text;
        for (size_t i = 0; i < length; ++i)
            text += static_cast<char>(i % 2 == 0 ? w[1 + i / 2] >> 8 : w[1 + i / 2] & 0xFF);
        return text;
    });
}

bool Station::HasFile(FileType type, int file) const {
    return WithState(*sim_->impl_, handle_, [&](StationState &st) {
        const DataFile *f = st.tables.Find(file);
        return f != nullptr && f->type == type;
    });
}

int Station::FileElements(int file) const {
    return WithState(*sim_->impl_, handle_, [&](StationState &st) {
        const DataFile *f = st.tables.Find(file);
        return f == nullptr ? -1 : f->elements;
    });
}

void Station::SetReplyDelay(int ms) {
    WithState(*sim_->impl_, handle_,
              [&](StationState &st) { st.faults.delayMs = std::max(ms, 0); });
}

void Station::SwallowNext(int count) {
    WithState(*sim_->impl_, handle_,
              [&](StationState &st) { st.faults.swallow = std::max(count, 0); });
}

void Station::SetPreReply(PreReply kind, int count) {
    WithState(*sim_->impl_, handle_, [&](StationState &st) {
        st.faults.pre = kind;
        st.faults.preCount = kind == PreReply::None ? 0 : count;
    });
}

void Station::SetSplit(std::vector<size_t> pieces, int pauseMs) {
    pieces.erase(std::remove(pieces.begin(), pieces.end(), size_t{0}), pieces.end());
    WithState(*sim_->impl_, handle_, [&](StationState &st) {
        st.faults.split = std::move(pieces);
        st.faults.splitPauseMs = std::max(pauseMs, 0);
    });
}

void Station::CloseAfterBytes(size_t bytes) {
    WithState(*sim_->impl_, handle_, [&](StationState &st) {
        st.faults.closeAfter = bytes;
        st.faults.resetOnClose = false;
    });
}

void Station::ResetAfterBytes(size_t bytes) {
    WithState(*sim_->impl_, handle_, [&](StationState &st) {
        st.faults.closeAfter = bytes;
        st.faults.resetOnClose = true;
    });
}

void Station::StallAfterBytes(size_t bytes) {
    WithState(*sim_->impl_, handle_, [&](StationState &st) { st.faults.stallAfter = bytes; });
}

void Station::SetAccepting(bool accepting) {
    WithState(*sim_->impl_, handle_, [&](StationState &st) {
        st.accepting = accepting;
        if (!accepting) {
            CloseListener_Locked(*sim_->impl_, st);
        } else if (st.listenFd < 0) {
            std::string error;
            if (!OpenListener_Locked(*sim_->impl_, st, error)) sim_->impl_->lastError = error;
        }
    });
}

void Station::SetSilent(bool silent) {
    WithState(*sim_->impl_, handle_, [&](StationState &st) {
        if (st.silent == silent) return;
        st.silent = silent;
        if (st.listenFd < 0) return;  // refusing: the next listener takes the mode
        CloseListener_Locked(*sim_->impl_, st);
        std::string error;
        if (!OpenListener_Locked(*sim_->impl_, st, error)) sim_->impl_->lastError = error;
    });
}

void Station::DropConnections() {
    WithState(*sim_->impl_, handle_,
              [&](StationState &st) { CloseAllConns_Locked(*sim_->impl_, st.handle); });
}

void Station::SetSessionSilent(bool silent) {
    WithState(*sim_->impl_, handle_, [&](StationState &st) { st.faults.sessionSilent = silent; });
}

void Station::SetSessionDataLength(int bytes) {
    WithState(*sim_->impl_, handle_,
              [&](StationState &st) { st.faults.sessionDataLength = std::clamp(bytes, 0, 1024); });
}

void Station::ForceStatusNext(Status status) {
    WithState(*sim_->impl_, handle_, [&](StationState &st) { st.faults.forceNext = status; });
}

void Station::ForceStatusAt(const Address &a, Status status) {
    WithState(*sim_->impl_, handle_, [&](StationState &st) {
        st.faults.forceAt.push_back(ForcedAt{a.file, a.element, a.sub, status});
    });
}

void Station::ClearForcedStatus() {
    WithState(*sim_->impl_, handle_, [&](StationState &st) {
        st.faults.forceNext.reset();
        st.faults.forceAt.clear();
    });
}

void Station::SetProgramMode(bool program) {
    WithState(*sim_->impl_, handle_, [&](StationState &st) { st.faults.programMode = program; });
}

void Station::SetMaxDataBytes(size_t bytes, Status refusal) {
    WithState(*sim_->impl_, handle_, [&](StationState &st) {
        st.faults.maxDataBytes = bytes;
        st.faults.maxRefusal = refusal;
    });
}

void Station::ClearFaults() {
    SetSilent(false);
    SetAccepting(true);
    WithState(*sim_->impl_, handle_, [&](StationState &st) { st.faults = Faults{}; });
}

Counters Station::counters() const {
    return WithState(*sim_->impl_, handle_, [](StationState &st) { return st.counters; });
}

std::vector<RequestRecord> Station::LastRequests(size_t max) const {
    return WithState(*sim_->impl_, handle_, [&](StationState &st) {
        size_t n = std::min(max, st.history.size());
        return std::vector<RequestRecord>(st.history.end() - static_cast<long>(n),
                                          st.history.end());
    });
}

std::optional<RequestRecord> Station::LastRequest() const {
    return WithState(*sim_->impl_, handle_, [](StationState &st) -> std::optional<RequestRecord> {
        if (st.history.empty()) return std::nullopt;
        return st.history.back();
    });
}

void Station::ClearHistory() {
    WithState(*sim_->impl_, handle_, [](StationState &st) { st.history.clear(); });
}

}  // namespace plcsim
