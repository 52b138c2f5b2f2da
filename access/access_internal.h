// The data access subsystem's internal operations: request preparation, the
// tries of an exchange, the string commands and the string gate delivery.
// The command table sees only access/access.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/context.h"
#include "ordax.h"

namespace ordax {

// Words of one string file element: the length word and 82 characters.
constexpr std::uint16_t kStringElementWords = 42;
constexpr int kStringElementChars = 82;

// The channel block and gate record of a read or write call; false when
// the call lacks either or the gate has no value buffer.
bool AccessCallRecords(PdxCall *call, DriverContext **ctx, GateAccess **gate);

// AccessCallRecords, then the gate's station and the request kind
// `function` (ReadWords, WriteWords ...) set in the channel's Transaction.
bool BeginAccess(PdxCall *call, std::int32_t function, DriverContext **ctx, GateAccess **gate);

// True when a 32-bit value of `gate` travels as two words, high word first:
// the files with 32-bit values (F, P) of a PLC-5 station.
bool Plc5FloatWords(const DriverContext &ctx, const GateAccess &gate);

// ---- Request preparation ----------------------------------------------------

// Fills ctx.txn for a request on one bit: station, file number, element,
// sub-element and bit of the gate, count 1, and the file-type code of the
// letter (I, O and S with their fixed file). Text letters (G, X, Y) leave
// fileType as it was. Leaves `function` alone.
void PrepareBitRequest(const GateAccess &gate, DriverContext &ctx);

// Fills ctx.txn for a word request: station, file number, element, bit 255,
// the file-type code of the letter and the words of WordRequestWords. X and
// Y carry sub-element 0: their length byte is no address field. Leaves
// `function` alone.
void PrepareWordRequest(const GateAccess &gate, DriverContext &ctx);

// Words the word request of `gate` carries, unnarrowed: 42 for G; for X and
// Y the words of the text, (length + 1) / 2 (count 1), or the gate's count;
// else count x valueBits / 16.
std::int64_t WordRequestWords(const GateAccess &gate);

// True when the gate's count is not negative and its word request fits the
// Transaction's data area. Otherwise logs the count message (level 8) and
// returns false.
bool WordRequestFits(const GateAccess &gate);

// True when the value width is 16 or 32 and, for a bit request, the bit is
// 0 to 15: what the gate parser makes. Otherwise logs the bit-or-width
// message (level 8) and returns false.
bool GateFieldsValid(const GateAccess &gate, bool bitRequest);

enum class BlockSide {
    kToHost,    // a read stores the words into the host's buffer
    kFromHost,  // a write loads them from it
};

// Bytes a word request of `gate` that passed GateFieldsValid and
// WordRequestFits moves between the host's buffer and the data area: the
// host's count x valueBits / 8, never more than the words on the wire. A
// read of an X or Y text with count 1 hands the host its length in
// characters.
std::size_t HostBlockBytes(const GateAccess &gate, BlockSide side);

// ---- Tries --------------------------------------------------------------------

enum class TryAgain {
    kAfterTimeout,     // reads and the bit write
    kAfterAnyFailure,  // word, block and string writes
};

// Exchanges ctx.txn with its station up to three times, by `rule`, and
// hands the last link result to status reporting with `operation`.
// Returns its host result.
int RunTries(DriverContext &ctx, const GateAccess &gate, TryAgain rule, const char *operation);

// PrepareWordRequest, then RunTries.
int ExchangeWords(DriverContext &ctx, const GateAccess &gate, TryAgain rule, const char *operation);

// Reports a request that WordRequestFits or GateFieldsValid refused, without
// an exchange, as status reporting reports a request the builder refused:
// host result 1.
int ReportRefusedRequest(const DriverContext &ctx, const GateAccess &gate, const char *operation);

// ---- Strings ------------------------------------------------------------------

// G gates through command 5 and command 7.
int ReadString(PdxCall *call);
int WriteString(PdxCall *call);

// X and Y gates through command 7.
int WriteFileString(PdxCall *call);

// After a successful N-file block read of more than one value: hands every
// X and Y text the block covers to its string gate.
void DeliverBlockStrings(PdxCall *call);

}  // namespace ordax
