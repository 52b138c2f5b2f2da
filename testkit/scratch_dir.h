// The tests' scratch directories are the tools' own (tools/scratch_dir.h).
#pragma once

#include "tools/scratch_dir.h"

namespace ordax_test {

using ordax_tools::ScratchDir;

}  // namespace ordax_test
