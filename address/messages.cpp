// The parser's message texts and their levels.
#include "address/messages.h"

#include "frame/codes.h"
#include "frame/host.h"

namespace ordax {

namespace {

struct MessageText {
    ParseMessage id;
    int level;
    const char *text;
};

constexpr MessageText kParseMessages[] = {
    {ParseMessage::kUnknownDeviceType, kLevelDetail, "Ordax : Parse unknown device type !!!"},
    {ParseMessage::kInvalidCharacter, kLevelDetail,
     "Ordax : Parse invalid character in gate address !!!"},
    {ParseMessage::kStringFileInBlock, kLevelDetail,
     "Ordax Od-parse 'X' or 'Y' File type not allowed in Blocks use 'N'"},
    {ParseMessage::kStringFileNeedsStringGate, kLevelDetail,
     "Ordax Od-parse Must use String gate with 'X' or 'Y' File type"},
    {ParseMessage::kNoDefinitionMemory, kLevelError,
     "Ordax Od-parse(ParseStringInNFIle) unable to allocate string definition structure"},
};

}  // namespace

void ReportParse(ParseMessage message) {
    for (const MessageText &entry : kParseMessages) {
        if (entry.id == message) {
            err(entry.level, "%s", entry.text);
            return;
        }
    }
}

}  // namespace ordax
