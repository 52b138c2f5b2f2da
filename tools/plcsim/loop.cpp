// Single-threaded epoll loop serving every station: accept, read whole frames, answer, and
// send replies when their (fault-delayed) time has come.
#include "tools/plcsim/loop.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "tools/plcsim/encap.h"
#include "tools/plcsim/listener.h"
#include "tools/plcsim/wirelog.h"

namespace plcsim {

namespace {

constexpr uint64_t kWakeTag = 1ull << 62;
constexpr size_t kReadChunk = 65536;
constexpr size_t kMaxQueuedFrames = 10000;  // a peer that never reads is dropped
constexpr int kMaxEvents = 128;

bool Watch(int epollFd, int fd, uint64_t tag, uint32_t events, int op) {
    epoll_event ev{};
    ev.events = events;
    ev.data.u64 = tag;
    return epoll_ctl(epollFd, op, fd, &ev) == 0;
}

void Log_Locked(Simulator::Impl &impl, const StationState &st, const Conn &c, std::string text) {
    std::string line = st.config.ip;
    line += " #";
    line += std::to_string(c.id);
    line += " ";
    line += text;
    impl.pendingLog.push_back(std::move(line));
}

void Accept_Locked(Simulator::Impl &impl, StationState &st) {
    while (st.listenFd >= 0) {
        int fd = AcceptOne(st.listenFd);
        if (fd < 0) return;
        Conn c;
        c.id = impl.nextConnId++;
        c.fd = fd;
        c.station = st.handle;
        if (!Watch(impl.epollFd, fd, c.id, EPOLLIN, EPOLL_CTL_ADD)) {
            close(fd);
            continue;
        }
        ++st.counters.connections;
        ++st.counters.openConnections;
        if (impl.wireLog) Log_Locked(impl, st, c, "connection accepted");
        impl.conns.emplace(c.id, std::move(c));
    }
}

void SetWriteWatch_Locked(Simulator::Impl &impl, Conn &c, bool on) {
    if (c.watchingWrite == on) return;
    c.watchingWrite = on;
    Watch(impl.epollFd, c.fd, c.id, on ? EPOLLIN | EPOLLOUT : EPOLLIN, EPOLL_CTL_MOD);
}

// Sends what is due. Returns false when the connection was closed.
bool Flush_Locked(Simulator::Impl &impl, Conn &c, uint64_t now) {
    while (!c.out.empty()) {
        Chunk &chunk = c.out.front();
        if (chunk.notBefore > now) {
            impl.timers.emplace(chunk.notBefore, c.id);
            break;
        }
        size_t left = chunk.bytes.size() - c.outOffset;
        ssize_t n = left == 0 ? 0
                              : send(c.fd, chunk.bytes.data() + c.outOffset, left,
                                     MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            SetWriteWatch_Locked(impl, c, true);
            return true;
        }
        if (n < 0) {
            CloseConn_Locked(impl, c.id);
            return false;
        }
        c.outOffset += static_cast<size_t>(n);
        if (c.outOffset < chunk.bytes.size()) {
            SetWriteWatch_Locked(impl, c, true);
            return true;
        }
        bool closeNow = chunk.closeAfter;
        if (closeNow && chunk.reset) {
            linger hard{1, 0};  // closed with a reset, as a PLC that restarts
            setsockopt(c.fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        }
        if (chunk.endsFrame) --c.queuedFrames;
        c.out.pop_front();
        c.outOffset = 0;
        if (closeNow) {
            CloseConn_Locked(impl, c.id);
            return false;
        }
    }
    SetWriteWatch_Locked(impl, c, false);
    return true;
}

// Queues one frame shaped by the station's faults: stall, delay, close after N bytes, pieces.
// A stalled connection stays open and gets no byte beyond the cut frame.
void Queue_Locked(StationState &st, Conn &c, std::vector<uint8_t> frame, uint64_t now) {
    Faults &f = st.faults;
    if (c.stalled) return;
    if (f.stallAfter) {
        if (*f.stallAfter < frame.size()) frame.resize(*f.stallAfter);
        c.stalled = true;
        if (frame.empty()) return;
    }
    uint64_t at = std::max(now + static_cast<uint64_t>(f.delayMs), c.lastQueued);
    bool closeAfter = false;
    bool reset = false;
    if (f.closeAfter) {
        if (*f.closeAfter < frame.size()) frame.resize(*f.closeAfter);
        f.closeAfter.reset();
        closeAfter = true;
        reset = f.resetOnClose;
        f.resetOnClose = false;
    }
    // Pieces of the listed sizes, the last size repeated until the frame is out. SetSplit keeps
    // only sizes above 0.
    size_t pos = 0;
    size_t index = 0;
    while (!f.split.empty() && frame.size() - pos > f.split[index]) {
        size_t piece = f.split[index];
        c.out.push_back(Chunk{{frame.begin() + static_cast<long>(pos),
                               frame.begin() + static_cast<long>(pos + piece)},
                              at,
                              false,
                              false,
                              false});
        pos += piece;
        at += static_cast<uint64_t>(f.splitPauseMs);
        if (index + 1 < f.split.size()) ++index;
    }
    c.out.push_back(
        Chunk{{frame.begin() + static_cast<long>(pos), frame.end()}, at, closeAfter, reset, true});
    ++c.queuedFrames;
    c.lastQueued = at;
}

void Record_Locked(StationState &st, RequestRecord rec) {
    st.history.push_back(std::move(rec));
    if (st.history.size() > kHistoryDepth) st.history.pop_front();
}

// Handles one whole frame at the front of the input. Returns false when the connection closed.
bool HandleOne_Locked(Simulator::Impl &impl, StationState &st, Conn &c, size_t frameLength) {
    const uint8_t *frame = c.in.data() + c.inStart;
    RequestRecord rec;
    rec.station = st.handle;
    rec.connection = c.id;
    rec.raw.assign(frame, frame + frameLength);
    FrameOutcome out;
    HandleFrame_Locked(st, c, frame, frameLength, rec, out);
    c.inStart += frameLength;
    if (impl.wireLog) {
        std::string text = FormatFrame(rec.raw.data(), rec.raw.size(), true);
        text += "\n";
        text += DescribeRequest(rec.decoded);
        Log_Locked(impl, st, c, std::move(text));
        for (const auto &f : out.frames)
            Log_Locked(impl, st, c, FormatFrame(f.data(), f.size(), false));
    }
    Record_Locked(st, std::move(rec));
    uint64_t now = NowMs();
    for (auto &f : out.frames) Queue_Locked(st, c, std::move(f), now);
    return Flush_Locked(impl, c, now);
}

// Answers every complete frame in the input buffer. Returns false when the connection closed.
bool ProcessInput_Locked(Simulator::Impl &impl, StationState &st, uint64_t id) {
    for (;;) {
        auto it = impl.conns.find(id);
        if (it == impl.conns.end()) return false;
        Conn &c = it->second;
        size_t have = c.in.size() - c.inStart;
        if (have < kHeaderBytes) break;
        const uint8_t *h = c.in.data() + c.inStart;
        size_t dataLength = static_cast<size_t>((h[2] << 8) | h[3]);
        if (dataLength > kMaxDataLength) {
            ++st.counters.malformed;
            if (impl.wireLog) Log_Locked(impl, st, c, "dataLength too large, connection closed");
            CloseConn_Locked(impl, id);
            return false;
        }
        if (have < kHeaderBytes + dataLength) break;
        if (c.queuedFrames > kMaxQueuedFrames) {
            CloseConn_Locked(impl, id);
            return false;
        }
        if (!HandleOne_Locked(impl, st, c, kHeaderBytes + dataLength)) return false;
    }
    Conn &c = impl.conns.find(id)->second;
    if (c.inStart > 0 && c.inStart * 2 >= c.in.size()) {
        c.in.erase(c.in.begin(), c.in.begin() + static_cast<long>(c.inStart));
        c.inStart = 0;
    }
    return true;
}

void OnReadable_Locked(Simulator::Impl &impl, Conn &c) {
    static thread_local uint8_t buffer[kReadChunk];
    ssize_t n = recv(c.fd, buffer, kReadChunk, MSG_DONTWAIT);
    if (n > 0) c.in.insert(c.in.end(), buffer, buffer + n);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        CloseConn_Locked(impl, c.id);
        return;
    }
    StationState *st = impl.StateLocked(c.station);
    if (n > 0 && st != nullptr) ProcessInput_Locked(impl, *st, c.id);
}

void Dispatch_Locked(Simulator::Impl &impl, const epoll_event &ev) {
    uint64_t tag = ev.data.u64;
    if (tag == kWakeTag) {
        uint64_t value = 0;
        ssize_t ignored = read(impl.wakeFd, &value, sizeof value);
        (void)ignored;
    } else if (tag & kListenerTag) {
        StationState *st = impl.StateLocked(static_cast<int>(tag & 0xFFFFFFFF));
        if (st != nullptr) Accept_Locked(impl, *st);
    } else {
        auto it = impl.conns.find(tag);
        if (it == impl.conns.end()) return;
        if (ev.events & (EPOLLIN | EPOLLERR | EPOLLHUP)) OnReadable_Locked(impl, it->second);
        it = impl.conns.find(tag);
        if (it != impl.conns.end() && (ev.events & EPOLLOUT))
            Flush_Locked(impl, it->second, NowMs());
    }
}

void RunTimers_Locked(Simulator::Impl &impl) {
    uint64_t now = NowMs();
    while (!impl.timers.empty() && impl.timers.top().first <= now) {
        uint64_t id = impl.timers.top().second;
        impl.timers.pop();
        auto it = impl.conns.find(id);
        if (it != impl.conns.end()) Flush_Locked(impl, it->second, now);
    }
}

int NextTimeout_Locked(const Simulator::Impl &impl) {
    if (impl.timers.empty()) return 1000;
    uint64_t now = NowMs();
    uint64_t due = impl.timers.top().first;
    return due <= now ? 0 : static_cast<int>(std::min<uint64_t>(due - now, 1000));
}

}  // namespace

uint64_t NowMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void CloseConn_Locked(Simulator::Impl &impl, uint64_t id) {
    auto it = impl.conns.find(id);
    if (it == impl.conns.end()) return;
    StationState *st = impl.StateLocked(it->second.station);
    if (st != nullptr) {
        --st->counters.openConnections;
        if (impl.wireLog) Log_Locked(impl, *st, it->second, "connection closed");
    }
    epoll_ctl(impl.epollFd, EPOLL_CTL_DEL, it->second.fd, nullptr);
    close(it->second.fd);
    impl.conns.erase(it);
}

void CloseAllConns_Locked(Simulator::Impl &impl, int station) {
    std::vector<uint64_t> ids;
    for (const auto &[id, c] : impl.conns)
        if (station < 0 || c.station == station) ids.push_back(id);
    for (uint64_t id : ids) CloseConn_Locked(impl, id);
}

void WakeLoop(Simulator::Impl &impl) {
    uint64_t one = 1;
    ssize_t ignored = write(impl.wakeFd, &one, sizeof one);
    (void)ignored;
}

void RunLoop(Simulator::Impl &impl) {
    epoll_event events[kMaxEvents];
    while (!impl.stopping.load()) {
        int timeout = 0;
        {
            std::lock_guard<std::mutex> hold(impl.mutex);
            timeout = NextTimeout_Locked(impl);
        }
        int n = epoll_wait(impl.epollFd, events, kMaxEvents, timeout);
        std::vector<std::string> logs;
        WireLogSink sink;
        {
            std::lock_guard<std::mutex> hold(impl.mutex);
            for (int i = 0; i < n; ++i) Dispatch_Locked(impl, events[i]);
            RunTimers_Locked(impl);
            logs.swap(impl.pendingLog);
            sink = impl.wireLog;
        }
        if (sink)
            for (const auto &text : logs) sink(text);
    }
}

}  // namespace plcsim
