// String gates: G texts (a length word and 82 characters of a string file
// element, first character of each pair in the high byte) through commands
// 5 and 7, and X and Y texts held in integer files through command 7.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "access/access_internal.h"
#include "access/host_cell.h"
#include "address/address.h"
#include "diag/report.h"

namespace ordax {

namespace {

constexpr int kMaxHostChars = 80;  // a G read hands the host at most this many characters

// Character `i` of the first `length` characters of `text`, 0 beyond them.
std::uint8_t CharAt(const char *text, std::size_t length, std::size_t i) {
    return i < length ? static_cast<std::uint8_t>(text[i]) : std::uint8_t{0};
}

// The string length a G element's first word announces, as the host gets
// it: a negative length is 0, a long one is cut to 80 characters.
std::size_t HostLength(std::uint16_t lengthWord) {
    const int length = static_cast<std::int16_t>(lengthWord);
    return static_cast<std::size_t>(std::clamp(length, 0, kMaxHostChars));
}

}  // namespace

// The host's buffer (81 bytes) gets the text and its terminator; with an
// odd length the last word's low byte is stored and then overwritten.
int ReadString(PdxCall *call) {
    DriverContext *ctx = nullptr;
    GateAccess *gate = nullptr;
    if (!AccessCallRecords(call, &ctx, &gate)) return PDX_REQUEST_ERROR;
    if (!PrepareWords(*ctx, *gate, ReadWords, WordChecks::kFields, nullptr)) {
        return ReportRefusedRequest(*ctx, *gate, kOpReadString);
    }
    const int result = RunTries(*ctx, *gate, TryAgain::kAfterTimeout, kOpReadString);
    if (result != PDX_DONE) return result;
    const Transaction &txn = ctx->txn;
    auto *out = static_cast<std::uint8_t *>(gate->data);
    const std::size_t length = HostLength(txn.data[0]);
    for (std::size_t i = 0; i < length; i += 2) {
        const std::uint16_t word = txn.data[1 + i / 2];
        out[i] = static_cast<std::uint8_t>(word >> 8);
        out[i + 1] = static_cast<std::uint8_t>(word & 0xFFu);
    }
    out[length] = 0;
    return PDX_DONE;
}

// Always 42 words: the length word and 82 characters padded with zeros. A
// longer host text is cut to 82 characters, and the length word says so.
int WriteString(PdxCall *call) {
    DriverContext *ctx = nullptr;
    GateAccess *gate = nullptr;
    if (!AccessCallRecords(call, &ctx, &gate)) return PDX_REQUEST_ERROR;
    if (!PrepareWords(*ctx, *gate, WriteWords, WordChecks::kFields, nullptr)) {
        return ReportRefusedRequest(*ctx, *gate, kOpWriteString);
    }
    Transaction &txn = ctx->txn;
    std::fill_n(txn.data, kStringElementWords, std::uint16_t{0});
    const auto *text = static_cast<const char *>(gate->data);
    const std::size_t length = strnlen(text, kStringElementChars);
    txn.data[0] = static_cast<std::uint16_t>(length);
    for (std::size_t i = 0; i < length; i += 2) {
        txn.data[1 + i / 2] = HighFirstWord(CharAt(text, length, i), CharAt(text, length, i + 1));
    }
    return RunTries(*ctx, *gate, TryAgain::kAfterAnyFailure, kOpWriteString);
}

// The text's length comes from the address; the host's text fills it up
// to its terminator, zeros the rest. X puts the first character of each
// pair in the word's low byte, Y in its high byte. A text of odd length
// goes out whole, its last word holding the last character and a 0. Words
// the request carries beyond the text (a gate count above the text's
// words) are 0.
int WriteFileString(PdxCall *call) {
    DriverContext *ctx = nullptr;
    GateAccess *gate = nullptr;
    if (!AccessCallRecords(call, &ctx, &gate)) return PDX_REQUEST_ERROR;
    if (!PrepareWords(*ctx, *gate, WriteWords, WordChecks::kFieldsAndCount, nullptr)) {
        return ReportRefusedRequest(*ctx, *gate, kOpWriteNFileString);
    }
    Transaction &txn = ctx->txn;
    const auto capacity = static_cast<std::size_t>(SubElementOfPacked(gate->packedAddress));
    const auto *text = static_cast<const char *>(gate->data);
    const std::size_t length = strnlen(text, capacity);
    const std::size_t textWords = (capacity + 1) / 2;
    const std::size_t sent = txn.count;
    std::fill_n(txn.data, std::max(textWords, sent), std::uint16_t{0});
    const bool highFirst = TextKindOf(gate->fileType) == TextKind::kHighFirst;
    for (std::size_t w = 0; w < textWords; ++w) {
        const std::uint8_t first = CharAt(text, length, 2 * w);
        const std::uint8_t second = CharAt(text, length, 2 * w + 1);
        txn.data[w] = highFirst ? HighFirstWord(first, second) : LowFirstWord(first, second);
    }
    return RunTries(*ctx, *gate, TryAgain::kAfterAnyFailure, kOpWriteNFileString);
}

}  // namespace ordax
