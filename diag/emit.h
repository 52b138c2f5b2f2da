// Writes the lines of a status report to the host's message log.
#pragma once

#include "diag/status_tables.h"

namespace ordax::diag {

// Writes the first line of `form` at its level: the long form when gateText
// is not null and the form names the gate, else the short form. operation and
// gateText must not be null when used; code is printed only by forms that
// print a code.
void EmitFirstLine(const ReportForm &form, const char *operation, const char *gateText,
                   unsigned code);

// Writes the meaning line and the advice line, both at level 8, each
// starting with `prefix`.
void EmitExplanation(const char *prefix, const Explanation &explanation);

}  // namespace ordax::diag
