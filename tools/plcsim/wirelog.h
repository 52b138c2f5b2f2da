// Readable texts of frames and decoded requests for the wire log.
#pragma once

#include <string>

#include "tools/plcsim/plcsim.h"

namespace plcsim {

// One line naming what a decoded request asked for and how it was answered.
std::string DescribeRequest(const DecodedRequest &d);

}  // namespace plcsim
