// The node file's line reader: byte filter, line ends, overlong and last lines.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/nodefile/node_fixture.h"

namespace nodefile_test {
namespace {

class NodeLine : public NodeFileTest {
protected:
    // All lines the reader returns for a file of these bytes.
    std::vector<std::string> Lines(const std::string &bytes) {
        Write("lines.int", bytes);
        std::FILE *file = std::fopen((dir_.path() / "lines.int").string().c_str(), "r");
        EXPECT_NE(file, nullptr);
        std::vector<std::string> lines;
        if (file == nullptr) return lines;
        char line[ordax::kNodeLineCapacity];
        while (ordax::ReadNodeLine(file, line)) {
            EXPECT_EQ(line[ordax::kNodeLineMax], '\0');
            lines.emplace_back(line);
        }
        std::fclose(file);
        return lines;
    }
};

using LineList = std::vector<std::string>;

TEST_F(NodeLine, DropsBlanksControlsAndHighBytesWherever) {
    EXPECT_EQ(Lines(" 0 1 = 10.0.0.1\t\r\n\x01*\x7f\x80x\xff\n"),
              (LineList{"01=10.0.0.1", "*\x7fx"}));
    EXPECT_EQ(Lines("   \t \r\nA\n"), (LineList{"", "A"}));
}

TEST_F(NodeLine, EmptyLinesInTheMiddleAreReturnedEmpty) {
    EXPECT_EQ(Lines("\n\nX\n"), (LineList{"", "", "X"}));
    EXPECT_EQ(Lines(""), LineList{});
}

TEST_F(NodeLine, ShortLastLineWithoutLineFeedIsKept) {
    EXPECT_EQ(Lines("A\n01=plc1"), (LineList{"A", "01=plc1"}));
    EXPECT_EQ(Lines("x"), (LineList{"x"}));
    EXPECT_EQ(Lines("0123456789"), (LineList{"0123456789"}));
}

TEST_F(NodeLine, BlankLastLineWithoutLineFeedIsNoLine) {
    EXPECT_EQ(Lines("A\n  \t\r"), (LineList{"A"}));
    EXPECT_EQ(Lines("A\n"), (LineList{"A"}));
}

TEST_F(NodeLine, OverlongLineIsCutAndItsRestNeverStartsALine) {
    const std::string kept(135, 'A');
    EXPECT_EQ(Lines(kept + "\nB\n"), (LineList{kept, "B"}));
    EXPECT_EQ(Lines(kept + "Z\nB\n"), (LineList{kept, "B"}));
    EXPECT_EQ(Lines(kept + std::string(5000, '9') + "\n01=x"), (LineList{kept, "01=x"}));
    // Dropped bytes do not count towards the 135.
    EXPECT_EQ(Lines(std::string(300, ' ') + "AB\n"), (LineList{"AB"}));
}

TEST_F(NodeLine, OverlongLastLineWithoutLineFeedIsCut) {
    EXPECT_EQ(Lines(std::string(400, 'Q')), (LineList{std::string(135, 'Q')}));
}

}  // namespace
}  // namespace nodefile_test
