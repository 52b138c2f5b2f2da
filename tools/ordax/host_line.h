// Whether a host name survives being written into a node line.
#pragma once

#include <string>

namespace ordax_cli {

// Empty when a station line holds `host` whole as its address, else why
// not, naming the host as given. The tool writes probe's HOST and --ip into
// a node line, where ',', '-' and ';' split the address, blanks are dropped
// and an address has at most 31 characters.
std::string HostLineProblem(const std::string &host);

}  // namespace ordax_cli
