// The measurements of the report. Each adds its figures to the report and
// counts what went wrong as failures; none judges a time.
#pragma once

#include "bench/report/figures.h"
#include "bench/report/plan.h"
#include "bench/report/site.h"
#include "testkit/host_channel.h"

namespace bench {

// On the open access channel: single-word read round trips through PdxMain
// and Transact, each against a bare blocking client sending the same frame.
void MeasureRoundTrips(ordax_test::HostBlock &block, const Plan &plan, Report &report);
// On the open access channel: block reads per second and words per second.
void MeasureBlockReads(ordax_test::HostBlock &block, const Plan &plan, Report &report);
// On the open access channel: heap allocations per read and per write.
void MeasureAllocations(ordax_test::HostBlock &block, const Plan &plan, Report &report);
// Command 1 with 100 stations, and the channel thread's CPU when idle.
void MeasureFleet(const Plan &plan, Report &report);
// Hot-backup swap to the first read served by the new master.
void MeasureSwitchOver(Site &site, const Plan &plan, Report &report);
// Single-word reads per second, 1 channel against 4 channels side by side.
void MeasureParallelChannels(const Plan &plan, Report &report);

}  // namespace bench
