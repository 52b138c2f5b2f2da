// The tool's side of the host interface: one channel block, the driver's
// messages as the host library hands them over, and a scratch directory for
// node files the tool writes or copies. Everything goes through PdxMain.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ordax.h"
#include "tools/scratch_dir.h"

namespace ordax_cli {

struct DriverMessage {
    int level;
    std::string text;
};

// Receives every driver message through the host library's sink while it
// lives, instead of the host library's log on stderr.
class MessageLog {
public:
    MessageLog();
    ~MessageLog();
    MessageLog(const MessageLog &) = delete;
    MessageLog &operator=(const MessageLog &) = delete;

    // The messages received since the last Take(), oldest first.
    std::vector<DriverMessage> Take();
};

// Writes each message as "driver: [level] text" to `out`, or to stdout.
void PrintMessagesTo(std::FILE *out, const std::vector<DriverMessage> &messages);
void PrintMessages(const std::vector<DriverMessage> &messages);

// A channel on the process's single 20000-byte block. The block is static:
// the client name and string definitions the driver allocates stay
// reachable through it until the process ends, as in a host that keeps its
// blocks. Only one Channel may exist at a time.
class Channel {
public:
    explicit Channel(int number);
    ~Channel();  // closes the channel (command 11) when Open() ran
    Channel(const Channel &) = delete;
    Channel &operator=(const Channel &) = delete;

    // Command 1; the driver reads "Ordax%.2d.int" of the channel from the
    // current directory.
    int Open(bool openNow, int timeoutCs);
    int ParseGate(GateRecord &gate);              // command 3
    int ParseBlock(GateRecord &gate);             // command 4
    int Access(int command, GateAccess &access);  // commands 5, 6, 7, 10
    int Close();                                  // command 11

private:
    int Call(int command, void *args);

    int number_;
    bool opened_ = false;
};

// A fresh private directory under the system's temporary directory, removed
// with everything in it when the object goes; std::runtime_error when it
// cannot be made.
class ScratchDir : public ordax_tools::ScratchDir {
public:
    ScratchDir();
};

// Makes `dir` the current directory for its lifetime.
class InDirectory {
public:
    explicit InDirectory(const std::filesystem::path &dir);
    ~InDirectory();
    InDirectory(const InDirectory &) = delete;
    InDirectory &operator=(const InDirectory &) = delete;

private:
    std::filesystem::path previous_;
};

// Command 1 without connecting (open later), with `dir` as the current
// directory while it reads the node file there.
int OpenWithoutConnecting(Channel &channel, const std::filesystem::path &dir);

// "Ordax%.2d.int": the node file name the driver reads for `channel`.
std::string NodeFileName(int channel);

}  // namespace ordax_cli
