// Code page 437 to UTF-8, for showing the driver's banner on a terminal.
#pragma once

#include <string>

namespace ordax_cli {

std::string Cp437ToUtf8(const char *text);

}  // namespace ordax_cli
