// Shared helpers of the status reporting tests: one call of ReportLinkStatus
// with its captured messages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "diag/report.h"
#include "testkit/messages.h"

namespace diag_test {

struct Outcome {
    int result;
    std::vector<ordax_test::Message> lines;
};

// Calls ReportLinkStatus with a Transaction carrying sts and extSts and
// returns its result and every message it logged.
inline Outcome Report(int linkResult, std::uint8_t sts, std::uint8_t extSts, const char *operation,
                      const GateAccess *gate) {
    ordax::Transaction txn{};
    txn.sts = sts;
    txn.extSts = extSts;
    ordax_test::MessageCapture capture;
    int result = ordax::ReportLinkStatus(linkResult, txn, operation, gate);
    return {result, capture.All()};
}

// A GateAccess naming `text`.
inline GateAccess Gate(const char *text) {
    GateAccess gate{};
    gate.addressText = text;
    return gate;
}

}  // namespace diag_test
