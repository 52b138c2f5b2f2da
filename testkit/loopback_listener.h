// A plain blocking TCP listener on a loopback address, for tests that need
// a peer without the PLC simulator. POSIX only.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

namespace ordax_test {

// Why ip:port cannot be listened on, the address named: a test that finds
// its station's address taken by another program says so instead of
// failing later on what that program answers.
inline std::string ListenFailure(const std::string &ip, std::uint16_t port, int err) {
    std::string text = "cannot listen on " + ip + ":" + std::to_string(port) + ": ";
    text += std::strerror(err);
    if (err == EADDRINUSE) text += " (the address is taken: something else listens there)";
    return text;
}

// Opens a listening TCP socket on ip:port (SO_REUSEADDR, so tests can rebind
// at once). Returns the descriptor, or -1 if it cannot bind or listen (the
// reason in *error when given).
inline int ListenOnLoopback(const std::string &ip, std::uint16_t port, int backlog,
                            std::string *error = nullptr) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        if (error != nullptr) *error = ListenFailure(ip, port, errno);
        return -1;
    }
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    if (::inet_pton(AF_INET, ip.c_str(), &a.sin_addr) != 1) {
        if (error != nullptr) *error = "cannot listen on " + ip + ": not a dotted IPv4 address";
        ::close(fd);
        return -1;
    }
    if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || ::listen(fd, backlog) != 0) {
        if (error != nullptr) *error = ListenFailure(ip, port, errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

class LoopbackListener {
public:
    // Listens on ip:port; port 0 lets the system choose (see Port()).
    LoopbackListener(const std::string &ip, std::uint16_t port) {
        fd_ = ListenOnLoopback(ip, port, 8, &error_);
        ok_ = fd_ >= 0;
        if (!ok_) return;
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
    const std::string &error() const { return error_; }  // why not ok(), the address named
    std::uint16_t Port() const { return port_; }
    // Blocks until a client connects; returns its descriptor (caller closes).
    int Accept() { return ::accept(fd_, nullptr, nullptr); }

private:
    int fd_ = -1;
    bool ok_ = false;
    std::uint16_t port_ = 0;
    std::string error_;
};

}  // namespace ordax_test
