// A plain blocking TCP listener on a loopback address, for tests that need
// a peer without the PLC simulator. POSIX only.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>

namespace ordax_test {

// Opens a listening TCP socket on ip:port (SO_REUSEADDR, so tests can rebind
// at once). Returns the descriptor, or -1 if it cannot bind or listen.
inline int ListenOnLoopback(const std::string &ip, std::uint16_t port, int backlog) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    ::inet_pton(AF_INET, ip.c_str(), &a.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || ::listen(fd, backlog) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

class LoopbackListener {
public:
    // Listens on ip:port; port 0 lets the system choose (see Port()).
    LoopbackListener(const std::string &ip, std::uint16_t port) {
        fd_ = ListenOnLoopback(ip, port, 8);
        ok_ = fd_ >= 0;
        sockaddr_in a{};
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr *>(&a), &len);
        port_ = ntohs(a.sin_port);
    }
    ~LoopbackListener() {
        if (fd_ >= 0) ::close(fd_);
    }
    LoopbackListener(const LoopbackListener &) = delete;
    LoopbackListener &operator=(const LoopbackListener &) = delete;

    bool ok() const { return ok_; }
    std::uint16_t Port() const { return port_; }
    // Blocks until a client connects; returns its descriptor (caller closes).
    int Accept() { return ::accept(fd_, nullptr, nullptr); }

private:
    int fd_ = -1;
    bool ok_ = false;
    std::uint16_t port_ = 0;
};

}  // namespace ordax_test
