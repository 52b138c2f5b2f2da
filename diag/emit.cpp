// Output of status reports through the host's message service.
#include "diag/emit.h"

#include "core/message.h"

namespace ordax::diag {

namespace {

constexpr Message<const char *, const char *> kMeaningLine{kLevelDetail, "%s\"%s\""};
constexpr Message<const char *, const char *> kAdviceLine{kLevelDetail, "%s(%s)"};

}  // namespace

// The first-line formats come from the form table, where a static_assert
// holds each of them to exactly the arguments passed for it below.
void EmitFirstLine(const ReportForm &form, const char *operation, const char *gateText,
                   unsigned code) {
    const bool useLong = gateText != nullptr;
    const char *format = useLong ? form.longForm : form.shortForm;
    if (useLong && form.namesGate) {
        if (form.printsCode) {
            EmitFormat(form.level, format, operation, gateText, code);
        } else {
            EmitFormat(form.level, format, operation, gateText);
        }
    } else if (form.printsCode) {
        EmitFormat(form.level, format, operation, code);
    } else {
        EmitFormat(form.level, format, operation);
    }
}

void EmitExplanation(const char *prefix, const Explanation &explanation) {
    Emit(kMeaningLine, prefix, explanation.meaning);
    Emit(kAdviceLine, prefix, explanation.advice);
}

}  // namespace ordax::diag
