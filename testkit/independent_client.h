// A bare blocking TCP client for the simulator tests: it builds frames with its own byte code
// (independent of the driver and of the simulator) and reads whole frames with a time limit.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace plcsim_test {

using Bytes = std::vector<uint8_t>;

// The 28-byte session-connect request.
inline Bytes SessionRequest() {
    return {0x01, 0x01, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x04,
            0x00, 0x05, 0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0,    0};
}

// A command-7 frame: header (mode 1, dataLength, session bytes as given, context = tns),
// the prefix 00 05 00 00 and the PCCC bytes.
inline Bytes PcccFrame(const uint8_t session[4], uint16_t tns, const Bytes &pccc) {
    size_t dataLength = 4 + pccc.size();
    Bytes f(32 + pccc.size(), 0);  // sized once: GCC 12 warns falsely on insert at the end
    f[0] = 0x01;
    f[1] = 0x07;
    f[2] = static_cast<uint8_t>(dataLength >> 8);
    f[3] = static_cast<uint8_t>(dataLength & 0xFF);
    for (size_t i = 0; i < 4; ++i) f[4 + i] = session[i];
    f[14] = static_cast<uint8_t>(tns >> 8);
    f[15] = static_cast<uint8_t>(tns & 0xFF);
    f[29] = 0x05;  // prefix 00 05 00 00
    for (size_t i = 0; i < pccc.size(); ++i) f[32 + i] = pccc[i];
    return f;
}

inline uint16_t Be16(const Bytes &b, size_t at) {
    return static_cast<uint16_t>((b[at] << 8) | b[at + 1]);
}
inline uint32_t Be32(const Bytes &b, size_t at) {
    return (static_cast<uint32_t>(Be16(b, at)) << 16) | Be16(b, at + 2);
}
inline uint16_t Le16(const Bytes &b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

class IndependentClient {
public:
    IndependentClient() = default;
    ~IndependentClient() { Close(); }
    IndependentClient(const IndependentClient &) = delete;
    IndependentClient &operator=(const IndependentClient &) = delete;

    // Connects; false with error() set to the errno on failure.
    bool Connect(const std::string &ip, uint16_t port = 2222) {
        Close();
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        inet_pton(AF_INET, ip.c_str(), &a.sin_addr);
        if (connect(fd_, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
            error_ = errno;
            Close();
            return false;
        }
        int one = 1;
        setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        return true;
    }
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    int error() const { return error_; }
    int fd() const { return fd_; }

    bool Send(const Bytes &b) {
        size_t done = 0;
        while (done < b.size()) {
            ssize_t n = send(fd_, b.data() + done, b.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    // Reads exactly n bytes within timeoutMs (appended to out). False on time-out or close.
    bool ReadExact(size_t n, Bytes &out, int timeoutMs = 2000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (n > 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            pollfd p{fd_, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
            uint8_t buf[4096];
            ssize_t got = recv(fd_, buf, n < sizeof buf ? n : sizeof buf, 0);
            if (got <= 0) {
                closedByPeer_ = got == 0;
                return false;
            }
            out.insert(out.end(), buf, buf + got);
            n -= static_cast<size_t>(got);
        }
        return true;
    }

    // Reads one whole frame (header, then dataLength bytes).
    bool ReadFrame(Bytes &frame, int timeoutMs = 2000) {
        frame.clear();
        if (!ReadExact(28, frame, timeoutMs)) return false;
        return ReadExact(Be16(frame, 2), frame, timeoutMs);
    }

    // True when nothing arrives within timeoutMs (and the connection stays open).
    bool Silent(int timeoutMs) {
        pollfd p{fd_, POLLIN, 0};
        return poll(&p, 1, timeoutMs) == 0;
    }

    // True when the peer closes within timeoutMs (data before the close is discarded).
    bool ClosedByPeer(int timeoutMs = 2000) {
        Bytes sink;
        while (ReadExact(1, sink, timeoutMs)) {
        }
        return closedByPeer_;
    }

    // Session connect; keeps the handle bytes.
    bool OpenSession(Bytes *reply = nullptr) {
        Bytes r;
        if (!Send(SessionRequest()) || !ReadFrame(r)) return false;
        for (int i = 0; i < 4; ++i) session_[i] = r[static_cast<size_t>(4 + i)];
        if (reply) *reply = r;
        return true;
    }
    bool Open(const std::string &ip) { return Connect(ip) && OpenSession(); }

    // Sends one PCCC command (CMD onwards) with the session and reads the reply frame.
    bool Exchange(const Bytes &pccc, Bytes &reply, int timeoutMs = 2000) {
        uint16_t tns = pccc.size() >= 4 ? Le16(pccc, 2) : 0;
        return Send(PcccFrame(session_, tns, pccc)) && ReadFrame(reply, timeoutMs);
    }

    const uint8_t *session() const { return session_; }

private:
    int fd_ = -1;
    int error_ = 0;
    bool closedByPeer_ = false;
    uint8_t session_[4] = {0, 0, 0, 0};
};

// PCCC builders (CMD 0x0F, STS 0, TNS little-endian, FNC, operands).
inline Bytes Head(uint16_t tns, uint8_t fnc) {
    return {0x0F, 0x00, static_cast<uint8_t>(tns & 0xFF), static_cast<uint8_t>(tns >> 8), fnc};
}
inline void Compact(Bytes &b, unsigned v) {
    if (v < 255) {
        b.push_back(static_cast<uint8_t>(v));
    } else {
        b.insert(b.end(), {0xFF, static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8)});
    }
}
inline void Word(Bytes &b, unsigned v) {
    b.insert(b.end(), {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>((v >> 8) & 0xFF)});
}
// PLC-5 logical binary address; sub < 0: file and element only.
inline void Plc5Addr(Bytes &b, unsigned file, unsigned element, int sub = -1) {
    b.push_back(sub < 0 ? 0x06 : 0x0E);
    Compact(b, file);
    Compact(b, element);
    if (sub >= 0) b.push_back(static_cast<uint8_t>(sub));
}
// PLC-5 word range read with the driver's two-byte short size form.
inline Bytes Plc5Read(uint16_t tns, unsigned file, unsigned element, unsigned words, int sub = -1) {
    Bytes b = Head(tns, 0x01);
    Word(b, 0);
    Word(b, words);
    Plc5Addr(b, file, element, sub);
    unsigned size = words * 2;
    if (size <= 254) {
        b.insert(b.end(), {static_cast<uint8_t>(size), 0x00});
    } else {
        b.push_back(0xFF);
        Word(b, size);
    }
    return b;
}
inline Bytes Plc5Write(uint16_t tns, unsigned file, unsigned element,
                       const std::vector<unsigned> &w, int sub = -1) {
    Bytes b = Head(tns, 0x00);
    Word(b, 0);
    Word(b, static_cast<unsigned>(w.size()));
    Plc5Addr(b, file, element, sub);
    for (unsigned v : w) Word(b, v);
    return b;
}
inline Bytes Plc5Rmw(uint16_t tns, unsigned file, unsigned element, unsigned andMask,
                     unsigned orMask, int sub = -1) {
    Bytes b = Head(tns, 0x26);
    Plc5Addr(b, file, element, sub);
    Word(b, andMask);
    Word(b, orMask);
    return b;
}
inline void SlcAddr(Bytes &b, unsigned bytes, unsigned file, uint8_t type, unsigned element,
                    unsigned sub) {
    Compact(b, bytes);
    Compact(b, file);
    b.push_back(type);
    Compact(b, element);
    b.push_back(static_cast<uint8_t>(sub));
}
inline Bytes SlcRead(uint16_t tns, unsigned file, uint8_t type, unsigned element, unsigned bytes,
                     unsigned sub = 0) {
    Bytes b = Head(tns, 0xA2);
    SlcAddr(b, bytes, file, type, element, sub);
    return b;
}
inline Bytes SlcWrite(uint16_t tns, unsigned file, uint8_t type, unsigned element,
                      const std::vector<unsigned> &w, unsigned sub = 0) {
    Bytes b = Head(tns, 0xAA);
    SlcAddr(b, static_cast<unsigned>(w.size() * 2), file, type, element, sub);
    for (unsigned v : w) Word(b, v);
    return b;
}
inline Bytes SlcMasked(uint16_t tns, unsigned file, uint8_t type, unsigned element, unsigned mask,
                       unsigned value, unsigned sub = 0) {
    Bytes b = Head(tns, 0xAB);
    SlcAddr(b, 2, file, type, element, sub);
    Word(b, mask);
    Word(b, value);
    return b;
}

// Fields of a PCCC reply frame.
inline uint8_t ReplySts(const Bytes &r) {
    return r[33];
}
inline uint8_t ReplyExt(const Bytes &r) {
    return r[36];
}
inline uint16_t ReplyTns(const Bytes &r) {
    return Le16(r, 34);
}
inline uint16_t ReplyWord(const Bytes &r, size_t i) {
    return Le16(r, 36 + 2 * i);
}

}  // namespace plcsim_test
