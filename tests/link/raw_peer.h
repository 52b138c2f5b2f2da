// A tiny scripted TCP peer on a loopback address: it accepts one
// connection at a time on ip:port and runs a behaviour on it. POSIX only.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "testkit/loopback_listener.h"

namespace linktest {

class RawPeer {
public:
    using Behaviour = std::function<void(int fd, RawPeer &peer)>;

    RawPeer(const std::string &ip, std::uint16_t port, Behaviour behaviour)
        : behaviour_(std::move(behaviour)) {
        fd_ = ordax_test::ListenOnLoopback(ip, port, 4, &error_);
        ok_ = fd_ >= 0;
        if (ok_) thread_ = std::thread([this] { Run(); });
    }
    ~RawPeer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (fd_ >= 0) ::close(fd_);
    }
    RawPeer(const RawPeer &) = delete;
    RawPeer &operator=(const RawPeer &) = delete;

    bool ok() const { return ok_; }
    const std::string &error() const { return error_; }  // why not ok(), the address named
    bool stopping() const { return stop_; }
    int accepted() const { return accepted_; }

    // Reads exactly n bytes (or until the peer goes away / the test ends).
    std::vector<std::uint8_t> ReadExactly(int fd, std::size_t n) {
        std::vector<std::uint8_t> got;
        while (got.size() < n && !stop_) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            std::uint8_t buf[4096];
            ssize_t k = ::recv(fd, buf, std::min(sizeof buf, n - got.size()), 0);
            if (k <= 0) break;
            got.insert(got.end(), buf, buf + k);
        }
        return got;
    }
    static void SendAll(int fd, const std::vector<std::uint8_t> &bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t k = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (k <= 0) return;
            done += static_cast<std::size_t>(k);
        }
    }
    // Keeps the connection open until the test ends.
    void Hold() {
        while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

private:
    void Run() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0) continue;
            ++accepted_;
            behaviour_(c, *this);
            ::close(c);
        }
    }

    Behaviour behaviour_;
    int fd_ = -1;
    bool ok_ = false;
    std::string error_;
    std::atomic<bool> stop_{false};
    std::atomic<int> accepted_{0};
    std::thread thread_;
};

}  // namespace linktest
