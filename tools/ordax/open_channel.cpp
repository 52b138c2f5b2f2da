#include "tools/ordax/open_channel.h"

#include <fstream>
#include <iterator>
#include <memory>

namespace ordax_cli {

namespace {

// The node file's text: the scratch one of --ip, or OrdaxNN.int of the
// current directory ("" when it cannot be read; the open names that).
std::string NodeText(const AccessOptions &options) {
    if (!options.ip.empty()) {
        char line[96];
        std::snprintf(line, sizeof line, "%02d=%s-%s\n", options.station < 0 ? 1 : options.station,
                      options.ip.c_str(), options.ipSlc5 ? "SLC5" : "PLC5");
        return line;
    }
    std::ifstream in(NodeFileName(options.channel), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Command 1: for --ip in a scratch directory that holds the node file of
// its one station, else in the current directory.
int Open(Channel &channel, const AccessOptions &options) {
    ScratchDir scratch;
    std::unique_ptr<InDirectory> inScratch;
    if (!options.ip.empty()) {
        std::ofstream(scratch.path() / NodeFileName(options.channel), std::ios::binary)
            << NodeText(options);
        inScratch = std::make_unique<InDirectory>(scratch.path());
    }
    return channel.Open(true, options.timeoutCs);
}

}  // namespace

std::string ResolveFor(const AccessOptions &options, std::vector<Gate> *gates) {
    AccessOptions resolved = options;
    if (!options.ip.empty() && options.station < 0) resolved.station = 1;
    return ResolveGates(resolved, FamiliesOf(NodeText(options)), gates);
}

int RefuseArguments(const std::string &wrong) {
    std::fprintf(stderr, "ordax: %s\n", wrong.c_str());
    return PDX_LINK_ERROR;
}

int WithOpenChannel(const AccessOptions &options, const std::vector<Gate> &gates, std::FILE *status,
                    const GateBody &body) {
    MessageLog log;
    Channel channel(options.channel);
    int result = Open(channel, options);
    PrintMessagesTo(status, log.Take());
    if (result != PDX_DONE) {
        std::fprintf(status, "the channel did not open (result %d)\n", result);
        return result;
    }
    result = body(channel, log, gates);
    const int closed = channel.Close();
    PrintMessagesTo(status, log.Take());
    std::fprintf(status, "channel %d closed (result %d)\n", options.channel, closed);
    return result;
}

int WithResolvedGates(const AccessOptions &options, std::FILE *status, const GateBody &body) {
    std::vector<Gate> gates;
    const std::string wrong = ResolveFor(options, &gates);
    if (!wrong.empty()) return RefuseArguments(wrong);
    return WithOpenChannel(options, gates, status, body);
}

}  // namespace ordax_cli
