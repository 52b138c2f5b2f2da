// Single-word read exchanges per second against the PLC simulator, with a bare blocking client
// per benchmark thread (1 and 8 connections, PLC-5 and SLC 5/05 stations), so that the
// simulator's own cost per exchange can be compared side by side.
#include <benchmark/benchmark.h>

#include <memory>
#include <mutex>

#include "testkit/independent_client.h"
#include "tools/plcsim/plcsim.h"

namespace {

using plcsim_test::Bytes;
using plcsim_test::IndependentClient;

constexpr const char *kPlc5Ip = "127.0.44.2";
constexpr const char *kSlcIp = "127.0.44.3";

// One simulator for the whole run.
plcsim::Simulator &Sim() {
    static plcsim::Simulator *sim = [] {
        auto *s = new plcsim::Simulator;
        s->AddStation({kPlc5Ip, plcsim::Family::Plc5, ""});
        s->AddStation({kSlcIp, plcsim::Family::Slc5, ""});
        s->Start();
        return s;
    }();
    return *sim;
}

void Exchanges(benchmark::State &state, const char *ip, bool slc) {
    Sim();
    IndependentClient c;
    if (!c.Open(ip)) {
        state.SkipWithError("cannot connect to the simulator");
        return;
    }
    uint16_t tns = 1;
    Bytes reply;
    for (auto _ : state) {
        Bytes cmd =
            slc ? plcsim_test::SlcRead(tns, 7, 0x89, 10, 2) : plcsim_test::Plc5Read(tns, 7, 10, 1);
        if (!c.Exchange(cmd, reply) || plcsim_test::ReplyTns(reply) != tns) {
            state.SkipWithError("exchange failed");
            break;
        }
        tns = static_cast<uint16_t>(tns == 0xFFFF ? 1 : tns + 1);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Plc5SingleWordRead(benchmark::State &state) {
    Exchanges(state, kPlc5Ip, false);
}
void BM_SlcSingleWordRead(benchmark::State &state) {
    Exchanges(state, kSlcIp, true);
}

BENCHMARK(BM_Plc5SingleWordRead)->Threads(1)->Threads(8)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_SlcSingleWordRead)->Threads(1)->Threads(8)->UseRealTime()->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
