// PLC simulator: PLC-5/E and SLC 5/05 Ethernet processors on TCP port 2222, seen from the
// processor's side (session connect, PCCC word range / typed logical commands, data tables,
// hot-backup pairs, fault injection and inspection). Linux only.
//
// Every public call is thread safe against the event loop: the loop and the API share one lock.
// A Station reference stays valid until the Simulator is destroyed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plcsim {

enum class Family { Plc5, Slc5 };

// Data-table file types. ST: string (length word + 82 characters, 42 words per element);
// PD: PLC-5 PID (82 words per element, sub-element = word offset, 2+ hold floats).
enum class FileType { O, I, S, B, T, C, R, N, F, ST, PD };

// One station (processor) to simulate.
struct StationConfig {
    std::string ip = "127.0.0.2";  // address to listen on (dotted IPv4)
    Family family = Family::Plc5;
    // Data-table description, e.g. "N7:100,F8:50,ST9:10,N31:1" (letter(s), file number,
    // ':' element count). Entries replace or add to the default tables; a description that
    // starts with '=' replaces the defaults entirely. Empty = defaults only.
    std::string tables;
    uint16_t port = 2222;
    // Starts silent: connects are never answered (see Station::SetSilent).
    bool silent = false;
};

// A data-table address as the API takes it. `sub` is the sub-element: a word offset inside
// the element (T/C/R 0..2, PD 0..81, SLC I/O word); 0 for one-word elements.
struct Address {
    FileType type = FileType::N;
    int file = 7;
    int element = 0;
    int sub = 0;
};

// A processor status: STS and, when STS is 0xF0, EXT STS.
struct Status {
    uint8_t sts = 0;
    uint8_t extSts = 0;
};

// Fields of one received frame, as the simulator decoded them.
struct DecodedRequest {
    // Encapsulation header.
    uint8_t mode = 0;
    uint8_t command = 0;
    uint16_t dataLength = 0;
    uint32_t session = 0;  // the four bytes 4-7 read big-endian
    uint32_t status = 0;
    uint32_t context = 0;
    // PCCC part (command 7 with at least CMD, STS, TNS).
    bool hasPccc = false;
    uint8_t cmd = 0;
    uint8_t tnsSts = 0;  // STS byte of the request
    uint16_t tns = 0;
    bool hasFnc = false;
    uint8_t fnc = 0;
    std::string commandName;  // "word range read", "typed logical write", ... or "unknown"
    // Address (when the command carries one).
    bool hasAddress = false;
    uint8_t levelMask = 0;    // PLC-5 logical binary address mask (0x06, 0x0E, ...)
    uint8_t slcFileType = 0;  // SLC file-type byte (0x89 ...)
    int fileNumber = -1;
    int element = -1;
    int subElement = -1;  // -1 when the address has no sub-element level
    // Sizes and data.
    int packetOffset = -1;  // PLC-5 word range commands
    int totalTransaction = -1;
    int byteSize = -1;            // requested (read) or announced (SLC write) byte count
    int sizeFieldBytes = 0;       // PLC-5 read: 1, 2 or 3 bytes of size field on the wire
    std::vector<uint16_t> words;  // data words carried by a write / masks of a masked write
    uint16_t andMask = 0;         // PLC-5 read-modify-write (first set) / SLC masked write mask
    uint16_t orMask = 0;          // PLC-5 read-modify-write OR mask / SLC masked write value
    // Outcome.
    Status reply;           // STS / EXT STS sent back
    bool answered = false;  // a reply frame was queued
    std::string note;       // why the request was refused, or "" (readable, for logs)
};

// One received frame with what the simulator did about it.
struct RequestRecord {
    int station = -1;
    uint64_t connection = 0;   // connection id (1, 2, ... per simulator)
    std::vector<uint8_t> raw;  // the whole frame as received, header included
    DecodedRequest decoded;
    std::vector<uint8_t> reply;  // the reply frame built (before fault shaping), or empty
};

struct Counters {
    uint64_t connections = 0;      // accepted
    uint64_t sessions = 0;         // session-connect requests answered
    uint64_t requests = 0;         // PCCC frames received (command 7)
    uint64_t replies = 0;          // PCCC replies queued
    uint64_t refused = 0;          // PCCC replies with STS != 0
    uint64_t badSession = 0;       // command 7 without / with a wrong session
    uint64_t malformed = 0;        // frames closed or refused as malformed
    uint64_t swallowed = 0;        // requests left unanswered on purpose
    uint64_t openConnections = 0;  // currently open
};

// A frame sent before the right reply, once per affected request.
enum class PreReply { None, WrongTns, Mode1, BadStatus };

// Wire-log callback: one readable block (hex + decoded) per frame in either direction.
using WireLogSink = std::function<void(const std::string &)>;

class Simulator;
struct StationState;

// Handle on one simulated station. All calls lock the simulator.
class Station {
public:
    int handle() const { return handle_; }
    Family family() const;
    std::string ip() const;

    // Data. Return false / nullopt when the address does not exist in the tables or the file
    // type differs. Floats use the family's word order (PLC-5 high word first, SLC low first).
    bool SetWord(const Address &a, uint16_t value);
    std::optional<uint16_t> GetWord(const Address &a) const;
    bool SetWords(const Address &a, const std::vector<uint16_t> &words);
    std::optional<std::vector<uint16_t>> GetWords(const Address &a, int count) const;
    bool SetFloat(const Address &a, float value);
    std::optional<float> GetFloat(const Address &a) const;
    bool SetString(const Address &a, std::string_view text);  // ST element, at most 82 chars
    std::optional<std::string> GetString(const Address &a) const;
    bool HasFile(FileType type, int file) const;
    int FileElements(int file) const;  // -1 when missing

    // Faults. Each setter takes effect for the next frame processed.
    void SetReplyDelay(int ms);                      // delay every reply (0 = off)
    void SwallowNext(int count);                     // no reply to the next `count` PCCC requests
    void SetPreReply(PreReply kind, int count = 1);  // count < 0: every request
    // Send every reply (session replies too) in pieces of these sizes, the last size repeated
    // until the frame is out ({3, 10}: a 40-byte frame goes as 3, 10, 10, 10, 7), `pauseMs`
    // apart. Sizes of 0 are ignored; empty (or only zeros) = whole frames.
    void SetSplit(std::vector<size_t> pieces, int pauseMs);
    void CloseAfterBytes(size_t bytes);  // next reply: send this many bytes, then close
    void ResetAfterBytes(size_t bytes);  // the same, closed with a reset (RST) instead
    // The next frame of every connection (its session reply, for a new one): send this many
    // bytes, then hold the connection open without another byte. Until ClearFaults.
    void StallAfterBytes(size_t bytes);
    void SetAccepting(bool accepting);   // false: listener closed (ECONNREFUSED)
    void DropConnections();              // close every open connection now
    void SetSessionSilent(bool silent);  // accept, never answer the session request
    // Silent station, as one that is switched off or behind a dead link: its listener never
    // accepts and a connect to it is never answered (it stays pending until the client gives
    // up). Open connections stay as they are (DropConnections closes them).
    void SetSilent(bool silent);
    void SetSessionDataLength(int bytes);  // >0: session reply carries this many data bytes
    void ForceStatusNext(Status status);   // next PCCC request answered with this status
    void ForceStatusAt(const Address &a, Status status);  // every request starting there
    void ClearForcedStatus();
    void SetProgramMode(bool program);  // writes refused with STS 0x70
    // Refuse requests that carry or ask for more than `bytes` data bytes with `refusal`
    // (0 = no limit).
    void SetMaxDataBytes(size_t bytes, Status refusal = {0x10, 0});
    void ClearFaults();

    // Inspection.
    Counters counters() const;
    std::vector<RequestRecord> LastRequests(size_t max = 16) const;  // oldest first
    std::optional<RequestRecord> LastRequest() const;
    void ClearHistory();

private:
    friend class Simulator;
    Station(Simulator *sim, int handle) : sim_(sim), handle_(handle) {}
    Simulator *sim_;
    int handle_;
};

class Simulator {
public:
    Simulator();
    ~Simulator();  // stops the loop and closes every socket
    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    // Creates the station's tables and binds ip:port (SO_REUSEADDR). Returns its handle, or -1
    // when the tables description is wrong or the address cannot be bound (see LastError()).
    // May be called before or after Start().
    int AddStation(const StationConfig &config);
    std::string LastError() const;

    bool Start();  // starts the event-loop thread; false if already running or on failure
    void Stop();   // stops the loop; connections closed, listeners stay bound
    bool running() const;

    Station &station(int handle);  // handle must come from AddStation
    int stationCount() const;

    // Hot-backup pairs: N31:0 bit 0 is set on the master (first = a) and cleared on the other.
    // Returns the pair number (0, 1, ...) or -1 (bad handle, same handle, missing N31).
    int AddHotBackupPair(int handleA, int handleB);
    bool SwapMaster(int pair);   // the other processor becomes master
    int Master(int pair) const;  // handle of the current master, -1 for a bad pair
    int pairCount() const;

    // Totals over every station.
    Counters counters() const;

    // Wire log: called on the loop thread, outside the lock, for every frame in and out.
    void SetWireLog(WireLogSink sink);

    struct Impl;  // internal

private:
    friend class Station;
    std::unique_ptr<Impl> impl_;
};

// Text helpers, usable without a running simulator.
const char *FileTypeName(FileType type);  // "N", "ST", "PD", ...
// Parses "N7:10", "T4:2.1", "PD12:0.2", "ST9:0" into an Address; false on bad text.
bool ParseAddress(std::string_view text, Address &out);
std::string FormatFrame(const uint8_t *bytes, size_t length, bool fromHost);
std::string HexDump(const uint8_t *bytes, size_t length);

}  // namespace plcsim
