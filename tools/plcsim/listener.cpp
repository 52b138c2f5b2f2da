// Listening sockets of the stations: bind and listen, the silent station's full accept
// queue, and the options of an accepted connection.
#include "tools/plcsim/listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace plcsim {

namespace {

// A silent station's listener: bound and listening with a backlog of 0 (one
// connection fits the accept queue), never accepted, and that one place
// taken by a connection of the simulator's own. Linux drops a SYN that
// reaches a listener whose accept queue is full, so every later connect
// stays pending until the client gives up: no SYN-ACK, no reset. (A socket
// that is only bound, not listening, does not do: a SYN to it is answered
// with a reset, which is a refusal; and dropping packets with a firewall
// rule needs root.) The listener is not watched by the loop. false = failed.
bool FillQueue(int listenFd, const sockaddr_in &addr, int &fillerFd) {
    int filler = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (filler < 0) return false;
    if (connect(filler, reinterpret_cast<const sockaddr *>(&addr), sizeof addr) != 0) {
        close(filler);
        return false;
    }
    // The filler counts once the listener holds it in its accept queue.
    pollfd p{listenFd, POLLIN, 0};
    if (poll(&p, 1, 2000) != 1) {
        close(filler);
        return false;
    }
    fillerFd = filler;
    return true;
}

std::string ListenError(const StationState &st, int err) {
    std::string error = "cannot listen on ";
    error += st.config.ip;
    error += ":";
    error += std::to_string(st.config.port);
    error += ": ";
    error += std::strerror(err);
    // Another program on the machine, or a station of this simulator.
    if (err == EADDRINUSE) error += " (the address is taken: something else listens there)";
    return error;
}

// Listens on a bound socket: a silent station fills its queue, any other is watched by the loop.
bool StartListening_Locked(Simulator::Impl &impl, StationState &st, int fd,
                           const sockaddr_in &addr) {
    if (st.silent) return listen(fd, 0) == 0 && FillQueue(fd, addr, st.fillerFd);
    if (listen(fd, 128) != 0) return false;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = kListenerTag | static_cast<uint64_t>(st.handle);
    return epoll_ctl(impl.epollFd, EPOLL_CTL_ADD, fd, &ev) == 0;
}

}  // namespace

bool OpenListener_Locked(Simulator::Impl &impl, StationState &st, std::string &error) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(st.config.port);
    if (inet_pton(AF_INET, st.config.ip.c_str(), &addr.sin_addr) != 1) {
        error = "not a dotted IPv4 address: ";
        error += st.config.ip;
        return false;
    }
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    int one = 1;
    bool ok = fd >= 0 && setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) == 0 &&
              bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 &&
              StartListening_Locked(impl, st, fd, addr);
    if (!ok) {
        error = ListenError(st, errno);
        if (fd >= 0) close(fd);
        return false;
    }
    st.listenFd = fd;
    return true;
}

void CloseListener_Locked(Simulator::Impl &impl, StationState &st) {
    if (st.fillerFd >= 0) close(st.fillerFd);
    st.fillerFd = -1;
    if (st.listenFd < 0) return;
    epoll_ctl(impl.epollFd, EPOLL_CTL_DEL, st.listenFd, nullptr);  // fails for a silent one
    close(st.listenFd);
    st.listenFd = -1;
}

int AcceptOne(int listenFd) {
    int fd = accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return -1;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

}  // namespace plcsim
