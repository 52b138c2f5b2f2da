#include "tools/ordax/driver.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>

#include "host/tamhub.h"
#include "host/tamhub_gate.h"
#include "nodefile/node_file.h"

namespace ordax_cli {

namespace {

std::mutex gMessageMutex;
std::vector<DriverMessage> gMessages;

void CollectMessage(void *, int level, const char *text) {
    std::lock_guard<std::mutex> hold(gMessageMutex);
    gMessages.push_back({level, text});
}

alignas(std::max_align_t) unsigned char gBlock[PDX_CONTEXT_SIZE];

}  // namespace

MessageLog::MessageLog() {
    TamHubSetMessageSink(&CollectMessage, nullptr);
}

MessageLog::~MessageLog() {
    TamHubSetMessageSink(nullptr, nullptr);
}

std::vector<DriverMessage> MessageLog::Take() {
    std::lock_guard<std::mutex> hold(gMessageMutex);
    std::vector<DriverMessage> taken;
    taken.swap(gMessages);
    return taken;
}

void PrintMessagesTo(std::FILE *out, const std::vector<DriverMessage> &messages) {
    for (const DriverMessage &m : messages) {
        std::fprintf(out, "driver: [%d] %s\n", m.level, m.text.c_str());
    }
}

void PrintMessages(const std::vector<DriverMessage> &messages) {
    PrintMessagesTo(stdout, messages);
}

Channel::Channel(int number) : number_(number) {}

Channel::~Channel() {
    if (opened_) Close();
}

int Channel::Call(int command, void *args) {
    PdxCall call = TamHubPdxCall(gBlock, command, number_, args);
    return PdxMain(&call);
}

int Channel::Open(bool openNow, int timeoutCs) {
    OpenArgs args{};
    args.openNow = openNow ? 1 : 0;
    args.timeoutCs = timeoutCs;
    opened_ = true;
    return Call(PDX_OPEN_CHANNEL, &args);
}

int Channel::ParseGate(GateRecord &gate) {
    return Call(PDX_PARSE_GATE, &gate);
}

int Channel::ParseBlock(GateRecord &gate) {
    return Call(PDX_PARSE_BLOCK, &gate);
}

int Channel::Access(int command, GateAccess &access) {
    return Call(command, &access);
}

int Channel::Close() {
    opened_ = false;
    return Call(PDX_CLOSE_CHANNEL, nullptr);
}

ScratchDir::ScratchDir() : ordax_tools::ScratchDir("ordax") {
    if (!ok()) throw std::runtime_error("cannot create a scratch directory: " + error());
}

InDirectory::InDirectory(const std::filesystem::path &dir)
    : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
}

InDirectory::~InDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

int OpenWithoutConnecting(Channel &channel, const std::filesystem::path &dir) {
    InDirectory inDir(dir);
    return channel.Open(false, 0);
}

std::string NodeFileName(int channel) {
    char name[ordax::kNodeFileNameCapacity];
    ordax::NodeFileName(channel, name);
    return name;
}

}  // namespace ordax_cli
