// Simulator: stations, the loop thread, hot-backup pairs, totals.
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "tools/plcsim/listener.h"
#include "tools/plcsim/loop.h"

namespace plcsim {

namespace {

constexpr uint64_t kWakeTag = 1ull << 62;
constexpr int kFlagFile = 31;

// N31:0 of a station, or nullptr when the station has no such word.
uint16_t *MasterWord_Locked(Simulator::Impl &impl, int handle) {
    StationState *st = impl.StateLocked(handle);
    if (st == nullptr) return nullptr;
    DataFile *f = st->tables.Find(kFlagFile);
    if (f == nullptr || f->type != FileType::N || f->words.empty()) return nullptr;
    return &f->words[0];
}

void SetMaster_Locked(Simulator::Impl &impl, int master, int other) {
    *MasterWord_Locked(impl, master) |= 1u;
    *MasterWord_Locked(impl, other) &= static_cast<uint16_t>(~1u);
}

void Add(Counters &sum, const Counters &c) {
    sum.connections += c.connections;
    sum.sessions += c.sessions;
    sum.requests += c.requests;
    sum.replies += c.replies;
    sum.refused += c.refused;
    sum.badSession += c.badSession;
    sum.malformed += c.malformed;
    sum.swallowed += c.swallowed;
    sum.openConnections += c.openConnections;
}

}  // namespace

Simulator::Simulator() : impl_(std::make_unique<Impl>()) {
    impl_->epollFd = epoll_create1(EPOLL_CLOEXEC);
    impl_->wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = kWakeTag;
    epoll_ctl(impl_->epollFd, EPOLL_CTL_ADD, impl_->wakeFd, &ev);
}

Simulator::~Simulator() {
    Stop();
    std::lock_guard<std::mutex> hold(impl_->mutex);
    for (auto &st : impl_->states) CloseListener_Locked(*impl_, *st);
    close(impl_->wakeFd);
    close(impl_->epollFd);
}

int Simulator::AddStation(const StationConfig &config) {
    std::lock_guard<std::mutex> hold(impl_->mutex);
    auto st = std::make_unique<StationState>();
    st->handle = static_cast<int>(impl_->states.size());
    st->config = config;
    st->silent = config.silent;
    st->nextSession = 0x5A000000u + static_cast<uint32_t>(st->handle) * 0x10000u;
    std::string error;
    if (!st->tables.Build(config.tables, config.family, error) ||
        !OpenListener_Locked(*impl_, *st, error)) {
        impl_->lastError = error;
        return -1;
    }
    impl_->handles.push_back(std::unique_ptr<Station>(new Station(this, st->handle)));
    impl_->states.push_back(std::move(st));
    return impl_->handles.back()->handle();
}

std::string Simulator::LastError() const {
    std::lock_guard<std::mutex> hold(impl_->mutex);
    return impl_->lastError;
}

bool Simulator::Start() {
    if (impl_->epollFd < 0 || impl_->wakeFd < 0 || impl_->running.exchange(true)) return false;
    impl_->stopping = false;
    impl_->thread = std::thread([this] { RunLoop(*impl_); });
    return true;
}

void Simulator::Stop() {
    if (!impl_->running.load()) return;
    impl_->stopping = true;
    WakeLoop(*impl_);
    impl_->thread.join();
    std::lock_guard<std::mutex> hold(impl_->mutex);
    CloseAllConns_Locked(*impl_, -1);
    impl_->timers = {};
    impl_->pendingLog.clear();
    impl_->running = false;
}

bool Simulator::running() const {
    return impl_->running.load();
}

Station &Simulator::station(int handle) {
    std::lock_guard<std::mutex> hold(impl_->mutex);
    return *impl_->handles.at(static_cast<size_t>(handle));
}

int Simulator::stationCount() const {
    std::lock_guard<std::mutex> hold(impl_->mutex);
    return static_cast<int>(impl_->states.size());
}

int Simulator::AddHotBackupPair(int handleA, int handleB) {
    std::lock_guard<std::mutex> hold(impl_->mutex);
    if (handleA == handleB || MasterWord_Locked(*impl_, handleA) == nullptr ||
        MasterWord_Locked(*impl_, handleB) == nullptr)
        return -1;
    SetMaster_Locked(*impl_, handleA, handleB);
    impl_->pairs.emplace_back(handleA, handleB);
    return static_cast<int>(impl_->pairs.size()) - 1;
}

bool Simulator::SwapMaster(int pair) {
    std::lock_guard<std::mutex> hold(impl_->mutex);
    if (pair < 0 || static_cast<size_t>(pair) >= impl_->pairs.size()) return false;
    auto [a, b] = impl_->pairs[static_cast<size_t>(pair)];
    bool aIsMaster = (*MasterWord_Locked(*impl_, a) & 1u) != 0;
    if (aIsMaster)
        SetMaster_Locked(*impl_, b, a);
    else
        SetMaster_Locked(*impl_, a, b);
    return true;
}

int Simulator::Master(int pair) const {
    std::lock_guard<std::mutex> hold(impl_->mutex);
    if (pair < 0 || static_cast<size_t>(pair) >= impl_->pairs.size()) return -1;
    auto [a, b] = impl_->pairs[static_cast<size_t>(pair)];
    if (*MasterWord_Locked(*impl_, a) & 1u) return a;
    if (*MasterWord_Locked(*impl_, b) & 1u) return b;
    return -1;
}

int Simulator::pairCount() const {
    std::lock_guard<std::mutex> hold(impl_->mutex);
    return static_cast<int>(impl_->pairs.size());
}

Counters Simulator::counters() const {
    std::lock_guard<std::mutex> hold(impl_->mutex);
    Counters sum;
    for (const auto &st : impl_->states) Add(sum, st->counters);
    return sum;
}

void Simulator::SetWireLog(WireLogSink sink) {
    std::lock_guard<std::mutex> hold(impl_->mutex);
    impl_->wireLog = std::move(sink);
}

}  // namespace plcsim
