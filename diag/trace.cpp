// The frame trace's lines (see trace.h): formatted piece by piece into
// small stack buffers while the file's lock is held, so that a line of a
// whole frame needs neither the heap nor a frame-sized buffer.
#include "diag/trace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "diag/trace_file.h"
#include "diag/trace_messages.h"
#include "platform/clock.h"

namespace ordax {

struct Trace {
    trace::SharedFile *file;
    int channel;
};

namespace {

constexpr char kTraceVariable[] = "ORDAX_TRACE";
constexpr int kAddressShown = 31;   // characters of an address field
constexpr int kBytesPerPiece = 64;  // frame bytes formatted per piece
constexpr char kHexDigits[] = "0123456789abcdef";

constexpr const char *kDirectionText[] = {">", "<"};
constexpr const char *kEventText[] = {"connect", "connect failed", "close", "switch to"};

// "<seconds>.<microseconds> ch <channel> st <station> <address> ", the
// time taken now, under the file's lock, so a file's lines stay in order.
void PutPrefix(trace::Line &line, const Trace &t, const TracePoint &at) {
    const std::uint64_t us = plat::MonotonicMicros();
    const char *address = at.address != nullptr ? at.address : "";
    char text[96];
    const int n = std::snprintf(
        text, sizeof text, "%u.%06u ch %d st %02d %.*s ", static_cast<unsigned>(us / 1000000u),
        static_cast<unsigned>(us % 1000000u), t.channel, at.station, kAddressShown, address);
    if (n <= 0) return;
    const auto length = static_cast<std::size_t>(n);
    line.Put(text, length < sizeof text ? length : sizeof text - 1);
}

// " xx" for each byte, a piece at a time.
void PutHex(trace::Line &line, const std::uint8_t *bytes, int length) {
    char text[3 * kBytesPerPiece];
    for (int start = 0; start < length; start += kBytesPerPiece) {
        const int count = length - start < kBytesPerPiece ? length - start : kBytesPerPiece;
        for (int i = 0; i < count; ++i) {
            text[3 * i] = ' ';
            text[3 * i + 1] = kHexDigits[bytes[start + i] >> 4];
            text[3 * i + 2] = kHexDigits[bytes[start + i] & 0x0F];
        }
        line.Put(text, 3u * static_cast<std::size_t>(count));
    }
}

void PutText(trace::Line &line, const char *text) {
    line.Put(text, std::strlen(text));
}

}  // namespace

Trace *OpenTrace(int channel) {
    const char *path = std::getenv(kTraceVariable);
    if (path == nullptr || *path == '\0') return nullptr;
    auto *t = new (std::nothrow) Trace{nullptr, channel};
    int error = 0;
    if (t != nullptr) t->file = trace::AcquireFile(path, &error);
    if (t == nullptr || t->file == nullptr) {
        delete t;
        Emit(tracemsg::kTraceNotOpened, path, error);
        return nullptr;
    }
    return t;
}

void CloseTrace(Trace *t) {
    if (t == nullptr) return;
    trace::ReleaseFile(t->file);
    delete t;
}

void WriteTraceFrame(const TracePoint &at, TraceDirection direction, const std::uint8_t *bytes,
                     int length) {
    trace::Line line(*at.trace->file);
    PutPrefix(line, *at.trace, at);
    PutText(line, kDirectionText[static_cast<int>(direction)]);
    PutHex(line, bytes, length);
    line.Put("\n", 1);
}

void WriteTraceEvent(const TracePoint &at, TraceEvent event, const char *detail) {
    trace::Line line(*at.trace->file);
    PutPrefix(line, *at.trace, at);
    PutText(line, kEventText[static_cast<int>(event)]);
    if (detail != nullptr) {
        line.Put(" ", 1);
        line.Put(detail, strnlen(detail, kAddressShown));
    }
    line.Put("\n", 1);
}

}  // namespace ordax
