// Output of status reports through the host's message service.
#include "diag/emit.h"

#include "frame/codes.h"
#include "frame/host.h"

namespace ordax::diag {

// The first-line formats come from the form table, where a static_assert
// holds each of them to exactly the arguments passed for it below.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
#endif
void EmitFirstLine(const ReportForm &form, const char *operation, const char *gateText,
                   unsigned code) {
    const bool useLong = gateText != nullptr;
    const char *format = useLong ? form.longForm : form.shortForm;
    if (useLong && form.namesGate) {
        if (form.printsCode) {
            err(form.level, format, operation, gateText, code);
        } else {
            err(form.level, format, operation, gateText);
        }
    } else if (form.printsCode) {
        err(form.level, format, operation, code);
    } else {
        err(form.level, format, operation);
    }
}
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

void EmitExplanation(const char *prefix, const Explanation &explanation) {
    err(kLevelDetail, "%s\"%s\"", prefix, explanation.meaning);
    err(kLevelDetail, "%s(%s)", prefix, explanation.advice);
}

}  // namespace ordax::diag
