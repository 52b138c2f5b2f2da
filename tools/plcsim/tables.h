// Data tables of one simulated processor: files by number, each a run of 16-bit words.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "tools/plcsim/plcsim.h"

namespace plcsim {

// Fixed facts about one file type.
struct FileTypeInfo {
    FileType type;
    const char *name;  // letters used in descriptions and addresses
    uint8_t slcType;   // SLC typed-logical file-type byte, 0 = not on SLC
    int wordsPerElement;
    int fixedFile;  // file number the type must have (O 0, I 1, S 2), -1 = any
};

const FileTypeInfo &InfoOf(FileType type);
const FileTypeInfo *FindTypeByName(std::string_view name);
const FileTypeInfo *FindTypeBySlcByte(uint8_t slcType);

struct DataFile {
    FileType type = FileType::N;
    int elements = 0;
    std::vector<uint16_t> words;
};

// EXT STS codes used for address refusals.
inline constexpr uint8_t kStsOk = 0x00;
inline constexpr uint8_t kStsIllegalCommand = 0x10;
inline constexpr uint8_t kStsProgramMode = 0x70;
inline constexpr uint8_t kStsExtended = 0xF0;
inline constexpr uint8_t kExtTooFewLevels = 0x02;
inline constexpr uint8_t kExtTooManyLevels = 0x03;
inline constexpr uint8_t kExtNotUsable = 0x06;
inline constexpr uint8_t kExtWrongSize = 0x07;
inline constexpr uint8_t kExtTransactionTooLarge = 0x0A;
inline constexpr uint8_t kExtIllegalDataType = 0x11;

inline constexpr int kMaxFileNumber = 999;
inline constexpr int kMaxElements = 10000;

class DataTable {
public:
    // Builds the files from the defaults of the family plus `description`. Returns false and
    // sets `error` on a bad description (the table is then unchanged).
    bool Build(std::string_view description, Family family, std::string &error);

    DataFile *Find(int number);
    const DataFile *Find(int number) const;

    // Word offset of element/sub inside `file`, or a refusal (STS 0xF0, EXT STS 0x06) when
    // the element or the sub-element is outside the file.
    Status Locate(const DataFile &file, int element, int sub, size_t &offset) const;

    // Word offset of an API address; false when missing, of another type or outside.
    bool LocateApi(const Address &a, int words, size_t &offset, DataFile *&file);

private:
    std::map<int, DataFile> files_;
};

inline Status Ext(uint8_t ext) {
    return Status{kStsExtended, ext};
}
inline bool IsOk(Status s) {
    return s.sts == kStsOk;
}

}  // namespace plcsim
