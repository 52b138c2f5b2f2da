// String gate delivery: after an N-file block read, every X or Y text the
// block covers goes to its string gate through the host, without another
// exchange with the PLC.
#include <algorithm>
#include <cstddef>

#include "access/access_internal.h"
#include "access/access_messages.h"
#include "access/host_cell.h"
#include "address/address.h"
#include "core/host.h"

namespace ordax {

namespace {

constexpr int kMaxDeliveredChars = 81;  // text area of stringBuffer: 81 characters and a 0
constexpr int kPutGateText = 2;         // Tam5PutGateStr: the value is a text

static_assert(kMaxDeliveredChars + 1 <= kStringBufferSize);

// The block just read: its station, file and first and last element.
struct BlockSpan {
    std::int32_t station;
    std::int32_t fileNumber;
    std::int64_t first;
    std::int64_t last;
    std::int64_t words;  // words received
};

int DeliveredChars(const StringDefinition &def) {
    return std::clamp(def.length, 0, kMaxDeliveredChars);
}

// A text is covered when its first element and `length` elements from it
// lie in the block (the length counts elements, though the text takes half
// as many words), and the words it is taken from were received.
bool Covers(const BlockSpan &block, const StringDefinition &def) {
    if (def.station != block.station || def.fileNumber != block.fileNumber) return false;
    const std::int64_t element = def.element;
    if (element < block.first || element + def.length - 1 > block.last) return false;
    const std::int64_t textWords = (DeliveredChars(def) + 1) / 2;
    return element - block.first + textWords <= block.words;
}

// Puts the text into ctx.stringBuffer: X bytes as received, Y with the two
// bytes of each word exchanged; cut to 81 characters and terminated.
void AssembleText(DriverContext &ctx, const StringDefinition &def, const std::uint16_t *words) {
    const auto chars = static_cast<std::size_t>(DeliveredChars(def));
    const std::size_t exchange = TextKindOf(def.fileType) == TextKind::kHighFirst ? 1 : 0;
    char *out = ctx.stringBuffer;
    for (std::size_t i = 0; i < chars; ++i)
        out[i] = static_cast<char>(WordByte(words, i ^ exchange));
    out[chars] = '\0';
    out[kMaxDeliveredChars] = '\0';
}

}  // namespace

// Newest definition first; a failing host call is logged and the walk
// goes on. The read's own result does not depend on any delivery.
void DeliverBlockStrings(PdxCall *call) {
    DriverContext *ctx = nullptr;
    GateAccess *gate = nullptr;
    if (!AccessCallRecords(call, &ctx, &gate)) return;
    const std::int64_t first = ElementOfPacked(gate->packedAddress);
    const BlockSpan block{gate->station, FileOfPacked(gate->packedAddress), first,
                          first + gate->count - 1, ctx->txn.count};
    for (const StringDefinition *def = ctx->stringDefinitions; def != nullptr; def = def->next) {
        if (!Covers(block, *def)) continue;
        AssembleText(*ctx, *def, ctx->txn.data + (def->element - first));
        const short result = Tam5PutGateStr(ctx->clientId & 0xFF, def->gateId, kPutGateText,
                                            ctx->stringBuffer, 0, 0);
        if (result != 0) Emit(accessmsg::kPutGateFailed, result);
    }
}

}  // namespace ordax
