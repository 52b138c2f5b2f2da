// File-type table, the data-table description and address location.
#include "tools/plcsim/tables.h"

#include <cctype>
#include <charconv>

namespace plcsim {

namespace {

const FileTypeInfo kTypes[] = {
    {FileType::O, "O", 0x8B, 1, 0},     {FileType::I, "I", 0x8C, 1, 1},
    {FileType::S, "S", 0x84, 1, 2},     {FileType::B, "B", 0x85, 1, -1},
    {FileType::T, "T", 0x86, 3, -1},    {FileType::C, "C", 0x87, 3, -1},
    {FileType::R, "R", 0x88, 3, -1},    {FileType::N, "N", 0x89, 1, -1},
    {FileType::F, "F", 0x8A, 2, -1},    {FileType::ST, "ST", 0x8D, 42, -1},
    {FileType::PD, "PD", 0x00, 82, -1},
};

// Files every station starts with (PD only on a PLC-5).
const char kDefaults[] =
    "O0:32,I1:32,S2:164,B3:100,T4:50,C5:50,R6:50,N7:1000,F8:100,"
    "ST9:20,N10:1000,N31:10";
const char kPlc5Defaults[] = "PD12:4";

bool ParseInt(std::string_view text, int &value) {
    if (text.empty() || text.size() > 6) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// prefix + entry + suffix, built by appending (GCC 12 warns falsely on chained operator+).
std::string Message(const char *prefix, std::string_view entry, const char *suffix) {
    std::string text(prefix);
    text.append(entry);
    text.append(suffix);
    return text;
}

// Splits "N7" into its type letters and file number.
bool SplitTypeAndFile(std::string_view head, const FileTypeInfo *&info, int &file) {
    size_t letters = 0;
    while (letters < head.size() && std::isalpha(static_cast<unsigned char>(head[letters])))
        ++letters;
    std::string upper;
    for (size_t i = 0; i < letters; ++i)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(head[i])));
    info = FindTypeByName(upper);
    return info != nullptr && ParseInt(head.substr(letters), file);
}

// Adds one "N7:100" entry to `files`.
bool AddEntry(std::string_view entry, Family family, std::map<int, DataFile> &files,
              std::string &error) {
    size_t colon = entry.find(':');
    const FileTypeInfo *info = nullptr;
    int file = 0;
    int elements = 0;
    if (colon == std::string_view::npos || !SplitTypeAndFile(entry.substr(0, colon), info, file) ||
        !ParseInt(entry.substr(colon + 1), elements)) {
        error = Message("bad table entry '", entry, "' (expected e.g. N7:100)");
        return false;
    }
    if (file < 0 || file > kMaxFileNumber || elements < 1 || elements > kMaxElements) {
        error = Message("file number or element count out of range in '", entry, "'");
        return false;
    }
    if (info->fixedFile >= 0 ? file != info->fixedFile : file <= 2) {
        error = Message("'", entry, "': O is file 0, I file 1, S file 2");
        return false;
    }
    if (info->type == FileType::PD && family != Family::Plc5) {
        error = "PD files exist on a PLC-5 only";
        return false;
    }
    DataFile &f = files[file];
    f.type = info->type;
    f.elements = elements;
    f.words.assign(static_cast<size_t>(elements * info->wordsPerElement), 0);
    return true;
}

bool AddList(std::string_view list, Family family, std::map<int, DataFile> &files,
             std::string &error) {
    while (!list.empty()) {
        size_t cut = list.find_first_of(", \t\r\n;");
        std::string_view entry = Trim(list.substr(0, cut));
        list = cut == std::string_view::npos ? std::string_view() : list.substr(cut + 1);
        if (!entry.empty() && !AddEntry(entry, family, files, error)) return false;
    }
    return true;
}

}  // namespace

const FileTypeInfo &InfoOf(FileType type) {
    for (const auto &t : kTypes)
        if (t.type == type) return t;
    return kTypes[7];
}

const FileTypeInfo *FindTypeByName(std::string_view name) {
    for (const auto &t : kTypes)
        if (name == t.name) return &t;
    return nullptr;
}

const FileTypeInfo *FindTypeBySlcByte(uint8_t slcType) {
    for (const auto &t : kTypes)
        if (t.slcType != 0 && t.slcType == slcType) return &t;
    return nullptr;
}

const char *FileTypeName(FileType type) {
    return InfoOf(type).name;
}

bool DataTable::Build(std::string_view description, Family family, std::string &error) {
    std::map<int, DataFile> files;
    description = Trim(description);
    bool replace = !description.empty() && description.front() == '=';
    if (replace) {
        description.remove_prefix(1);
    } else {
        AddList(kDefaults, family, files, error);
        if (family == Family::Plc5) AddList(kPlc5Defaults, family, files, error);
    }
    if (!AddList(description, family, files, error)) return false;
    files_ = std::move(files);
    return true;
}

DataFile *DataTable::Find(int number) {
    auto it = files_.find(number);
    return it == files_.end() ? nullptr : &it->second;
}

const DataFile *DataTable::Find(int number) const {
    auto it = files_.find(number);
    return it == files_.end() ? nullptr : &it->second;
}

Status DataTable::Locate(const DataFile &file, int element, int sub, size_t &offset) const {
    int per = InfoOf(file.type).wordsPerElement;
    if (element < 0 || element >= file.elements || sub < 0) return Ext(kExtNotUsable);
    // One-word elements (O, I, S, B, N): the sub-element counts on as a word offset, so an
    // SLC I/O word I:e.s lands on word e + s; elsewhere it must stay inside the element.
    if (per > 1 && sub >= per) return Ext(kExtNotUsable);
    size_t at = static_cast<size_t>(element) * static_cast<size_t>(per) + static_cast<size_t>(sub);
    if (at >= file.words.size()) return Ext(kExtNotUsable);
    offset = at;
    return Status{};
}

bool DataTable::LocateApi(const Address &a, int words, size_t &offset, DataFile *&file) {
    file = Find(a.file);
    if (file == nullptr || file->type != a.type || words < 0) return false;
    if (!IsOk(Locate(*file, a.element, a.sub, offset))) return false;
    return offset + static_cast<size_t>(words) <= file->words.size();
}

bool ParseAddress(std::string_view text, Address &out) {
    text = Trim(text);
    size_t colon = text.find(':');
    const FileTypeInfo *info = nullptr;
    int file = 0;
    if (colon == std::string_view::npos || !SplitTypeAndFile(text.substr(0, colon), info, file))
        return false;
    std::string_view rest = text.substr(colon + 1);
    size_t dot = rest.find('.');
    int element = 0;
    int sub = 0;
    if (!ParseInt(rest.substr(0, dot), element)) return false;
    if (dot != std::string_view::npos && !ParseInt(rest.substr(dot + 1), sub)) return false;
    out = Address{info->type, file, element, sub};
    return true;
}

}  // namespace plcsim
