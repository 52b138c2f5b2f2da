// The node file's line reader.
#include "nodefile/node_file.h"

#include <cstring>

namespace ordax {

namespace {

constexpr int kLineFeed = 10;

}  // namespace

// Gathers kept bytes up to the line feed; surplus bytes of an overlong line
// are read and dropped so that they never start a line of their own.
bool ReadNodeLine(std::FILE *file, char (&line)[kNodeLineCapacity]) {
    std::memset(line, 0, sizeof line);
    int length = 0;
    for (;;) {
        const int byte = std::fgetc(file);
        if (byte == EOF) return length > 0;
        if (byte == kLineFeed) return true;
        if (IsNodeLineByte(byte) && length < kNodeLineMax) {
            line[length++] = static_cast<char>(byte);
        }
    }
}

}  // namespace ordax
