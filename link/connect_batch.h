// Connection attempts to many stations at once: all connects are started
// without blocking, their completions and the session replies are awaited
// together, so a walk over many silent stations costs one connect wait and
// one session wait rather than one of each per station. Nothing here
// blocks longer than the slice it is given (or one host-name lookup): the
// session request is sent and the session reply read as far as the socket
// allows, and an attempt keeps what it has until the rest comes or its own
// time runs out.
#pragma once

#include <cstdint>

#include "core/context.h"
#include "diag/trace.h"
#include "link/encap.h"
#include "link/link.h"
#include "platform/socket.h"

namespace ordax {

// Holds at most one attempt per station. It touches no station record and
// takes no lock: the caller starts attempts with a copy of the station's
// active address and hands a connected attempt to its station under the
// station's lock (Install). Every attempt ends with "Failure connecting
// to" (logged here, with the message of the step that failed, as soon as
// the failure is known) or, at Install, "Connected to". There is no pause
// after a failed attempt: the walk does not try the station again for a
// while (channel_thread.cpp).
class ConnectBatch {
public:
    enum class Outcome { kConnected, kFailed };
    struct Finished {
        int station;
        Outcome outcome;
    };

    // `trace` (may be null) takes the session frames and each attempt's
    // outcome.
    explicit ConnectBatch(const ChannelTimers &timers, Trace *trace = nullptr);
    // Closes, without a message, the sockets of attempts still under way or
    // never installed (a stop request ends a walk that way).
    ~ConnectBatch();
    ConnectBatch(const ConnectBatch &) = delete;
    ConnectBatch &operator=(const ConnectBatch &) = delete;

    // Starts an attempt for station `station` (0..99, none under way for
    // it) at `address`: socket, options, bind, address and a non-blocking
    // connect. A failure in these steps finishes the attempt at once. A
    // host name is looked up later, by Advance, one name per call.
    void Start(int station, const char (&address)[kAddressTextSize]);

    // True while the attempt of `station` is resolving its name,
    // connecting, sending its session request or awaiting the reply.
    bool Busy(int station) const;
    // True while any attempt is.
    bool Pending() const;

    // Looks up at most one host name, then waits at most `sliceMs` for the
    // attempts under way and moves each one on: a completed connect is
    // examined (SO_ERROR) and sends its session request, a writable socket
    // sends the rest of it, a readable socket gives what it has of the
    // session reply. Attempts whose connectTimeout or sessionTimeout has
    // run out fail.
    void Advance(std::uint32_t sliceMs);

    // The next finished attempt, in the order the outcomes arrived; false
    // when there is none. A failed attempt is done with; a connected one
    // waits for Install.
    bool NextFinished(Finished *out);

    // Under the station's lock, for a connected attempt: gives the station
    // the socket and the session when it is still unconnected and its
    // active address is the one tried, logs "Connected to" and returns
    // true; otherwise closes the socket and returns false.
    bool Install(int station, StationEntry &entry, StationLockHeld);

private:
    enum class Phase : std::uint8_t {
        kIdle,
        kResolving,   // host name not yet looked up
        kConnecting,  // connect pending
        kSending,     // session request partly handed to the socket
        kGreeting,    // awaiting the rest of the session reply
        kConnected,   // awaiting Install
    };
    struct Attempt {
        plat::Socket socket;
        Phase phase;
        std::uint32_t phaseStart;  // tick the phase's time began
        int sent;                  // bytes of the session request handed over
        int got;                   // bytes of the session reply received
        char address[kAddressTextSize];
        std::uint8_t session[kSessionSize];
        std::uint8_t reply[kSessionReplyCapacity];
    };

    void Fail(int station);
    void Connect(int station, std::uint32_t addr);
    void ResolveNext();
    void Greet(int station);
    void SendRequest(int station);
    void ReadSession(int station);
    bool TakeSession(int station);
    void Expire(int station);
    void Queue(int station);
    std::uint32_t PhaseLeft(int station) const;  // of connectTimeout or sessionTimeout
    void FailAll(const int *stations, int count);
    void Step(int station, bool ready);
    TracePoint TraceAt(int station) const;

    ChannelTimers timers_;
    Trace *trace_;
    Attempt attempts_[kStationCount];
    int finished_[kStationCount];  // stations in the order their outcome came
    bool failed_[kStationCount];
    int head_ = 0;
    int count_ = 0;
};

}  // namespace ordax
