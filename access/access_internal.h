// The data access subsystem's internal operations: a gate turned into a
// request, the tries of an exchange, the string commands and the string
// gate delivery.
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

// The gate's address text for messages; "" when the host gave none.
inline const char *AddressOf(const GateAccess &gate) {
    return gate.addressText != nullptr ? gate.addressText : "";
}

// ---- Gate to request ------------------------------------------------------------

// The channel block and gate record of a read or write call; false when
// the call lacks either or the gate has no value buffer.
bool AccessCallRecords(PdxCall *call, DriverContext **ctx, GateAccess **gate);

// Words the word request of `gate` carries, unnarrowed: 42 for G; for X and
// Y the words of the text, (length + 1) / 2 (count 1), or the gate's count;
// else count x valueBits / 16.
std::int64_t WordRequestWords(const GateAccess &gate);

enum class WordChecks {
    kFields,          // value width only (G texts: always 42 words)
    kFieldsAndCount,  // and the count: not negative, the words fit the data area
};

// How a prepared word request's values travel between the host's buffer and
// the Transaction's words.
struct WordPlan {
    // Bytes moved: the host's count x valueBits / 8, never more than the
    // words on the wire; for a read of an X or Y text with count 1 its
    // length in characters.
    std::size_t hostBytes;
    // 32-bit values of a PLC-5 station's F and P files: two words, high
    // word first.
    bool plc5Float;
};

// Sets the request kind `function` (ReadWords, WriteWords) and the gate's
// station in ctx.txn, then checks the gate as `checks` says. A gate that
// fails is refused: its message is logged (level 8) and false returned;
// ReportRefusedRequest then gives the host's result. Otherwise fills the
// word request: file number, element, bit 255, the file-type code and
// fixed file of the letter, the words of WordRequestWords (X and Y carry
// sub-element 0: their length byte is no address field), and `*plan` when
// given.
bool PrepareWords(DriverContext &ctx, const GateAccess &gate, std::int32_t function,
                  WordChecks checks, WordPlan *plan);

// Checks the bit (0 to 15) and value width of a bit gate; refused as
// PrepareWords refuses. Otherwise sets `function`, station, file number,
// element, sub-element and bit of the gate, count 1, and the file-type code
// of the letter (I, O and S with their fixed file). Text letters (G, X, Y)
// leave fileType as it was.
bool PrepareBit(DriverContext &ctx, const GateAccess &gate, std::int32_t function);

// ---- Tries ------------------------------------------------------------------------

enum class TryAgain {
    kAfterTimeout,     // reads and the bit write
    kAfterAnyFailure,  // word, block and string writes
};

// Exchanges the prepared ctx.txn with its station up to three times, by
// `rule`, and hands the last link result to status reporting with
// `operation`. Returns its host result.
int RunTries(DriverContext &ctx, const GateAccess &gate, TryAgain rule, const char *operation);

// Reports a request that PrepareWords or PrepareBit refused, without an
// exchange, as status reporting reports a request the builder refused:
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
