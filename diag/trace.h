// The frame trace: when ORDAX_TRACE names a file at command 1, the channel
// appends one line per frame and connection event to it. A channel without
// a trace has a null handle, and every trace call below is then one test
// of that pointer.
//
// Line: seconds of the monotonic clock to the microsecond, channel,
// station, the station's active address, then the event:
//   5123.004211 ch 3 st 05 192.168.1.50 > 01 07 00 12 ...   frame sent
//   5123.004398 ch 3 st 05 192.168.1.50 < 02 07 00 0a ...   frame received
//   5123.010000 ch 3 st 05 192.168.1.50 connect
//   5123.010000 ch 3 st 05 192.168.1.50 connect failed
//   5123.010000 ch 3 st 05 192.168.1.50 close
//   5123.010000 ch 3 st 05 192.168.1.50 switch to 192.168.1.51
#pragma once

#include <cstdint>

namespace ordax {

// A channel's trace: its channel number and the (shared) file.
struct Trace;

enum class TraceDirection : std::uint8_t { kSent, kReceived };
enum class TraceEvent : std::uint8_t { kConnect, kConnectFailed, kClose, kSwitch };

// The station a trace line is about: its number (0..99) and its active
// address (at most 31 characters are printed; a field without a terminator
// is read no further).
struct TracePoint {
    Trace *trace;
    int station;
    const char *address;
};

// The trace of `channel` when ORDAX_TRACE names a file: opened (appending)
// or shared with the channels that trace to the same name. nullptr when the
// variable is unset or empty, or when the file cannot be opened (one
// operator message); the channel works without.
Trace *OpenTrace(int channel);

// Releases the channel's handle; the file is closed with its last channel.
// Null is fine.
void CloseTrace(Trace *trace);

// The writers behind the calls below; each writes one whole line.
void WriteTraceFrame(const TracePoint &at, TraceDirection direction, const std::uint8_t *bytes,
                     int length);
void WriteTraceEvent(const TracePoint &at, TraceEvent event, const char *detail);

inline void TraceFrame(const TracePoint &at, TraceDirection direction, const std::uint8_t *bytes,
                       int length) {
    if (at.trace != nullptr) WriteTraceFrame(at, direction, bytes, length);
}

// `detail` follows the event's word (the new address of a switch); may be null.
inline void TraceNote(const TracePoint &at, TraceEvent event, const char *detail = nullptr) {
    if (at.trace != nullptr) WriteTraceEvent(at, event, detail);
}

}  // namespace ordax
