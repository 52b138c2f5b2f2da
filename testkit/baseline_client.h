// A plain blocking TCP client for benchmarks: it opens a connection and
// session to a station on port 2222 and exchanges frames built elsewhere,
// the baseline a driver exchange is measured against.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/context.h"
#include "link/encap.h"

namespace ordax_test {

// A plain blocking client: connect, session, then frames by hand.
struct BaselineClient {
    int fd = -1;
    std::uint8_t session[4] = {};

    BaselineClient() = default;
    BaselineClient(const BaselineClient &) = delete;
    BaselineClient &operator=(const BaselineClient &) = delete;

    bool ReadExactly(std::uint8_t *p, std::size_t n) {
        while (n > 0) {
            ssize_t k = ::recv(fd, p, n, 0);
            if (k <= 0) return false;
            p += k;
            n -= static_cast<std::size_t>(k);
        }
        return true;
    }
    bool WriteAll(const std::uint8_t *p, std::size_t n) {
        while (n > 0) {
            ssize_t k = ::send(fd, p, n, MSG_NOSIGNAL);
            if (k <= 0) return false;
            p += k;
            n -= static_cast<std::size_t>(k);
        }
        return true;
    }
    // One request frame out, one reply frame in; `reply` holds
    // ordax::kFrameCapacity bytes, and a longer reply counts as a failure.
    // With `waitReadable` the client first waits in poll() for the reply, as
    // a receive with a time limit does.
    bool RoundTrip(const std::uint8_t *frame, std::size_t length, std::uint8_t *reply,
                   bool waitReadable = false) {
        if (!WriteAll(frame, length)) return false;
        pollfd readable{fd, POLLIN, 0};
        if (waitReadable && ::poll(&readable, 1, -1) != 1) return false;
        if (!ReadExactly(reply, ordax::kEncapHeaderSize)) return false;
        const std::size_t dataLength = static_cast<std::size_t>(reply[2] << 8 | reply[3]);
        if (ordax::kEncapHeaderSize + dataLength > static_cast<std::size_t>(ordax::kFrameCapacity))
            return false;
        return ReadExactly(reply + ordax::kEncapHeaderSize, dataLength);
    }
    bool Open(const char *ip) {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(2222);
        ::inet_pton(AF_INET, ip, &a.sin_addr);
        if (::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) return false;
        std::uint8_t request[ordax::kSessionRequestSize];
        ordax::BuildSessionRequest(request);
        std::uint8_t reply[ordax::kFrameCapacity];
        if (!RoundTrip(request, sizeof request, reply)) return false;
        std::memcpy(session, reply + ordax::kEncapSession, 4);
        return true;
    }
    ~BaselineClient() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace ordax_test
