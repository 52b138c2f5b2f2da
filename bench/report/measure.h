// The measurements of the report. Each adds its figures to the report and
// counts what went wrong as failures; none judges a time.
#pragma once

#include "bench/report/figures.h"
#include "bench/report/plan.h"
#include "bench/report/site.h"
#include "testkit/host_channel.h"

namespace bench {

// On the open access channel: single-word read round trips through PdxMain
// and Transact, each against a bare blocking client sending the same frame;
// the PdxMain read also on the traced channel, in the same rounds.
void MeasureRoundTrips(ordax_test::HostBlock &block, ordax_test::HostBlock &traced,
                       const Plan &plan, Report &report);
// On the open access channel: block reads per second and words per second.
void MeasureBlockReads(ordax_test::HostBlock &block, const Plan &plan, Report &report);
// On the open access channel: heap allocations per read and per write; and
// per read on the traced channel.
void MeasureAllocations(ordax_test::HostBlock &block, ordax_test::HostBlock &traced,
                        const Plan &plan, Report &report);
// Command 1 with 100 stations, and the channel thread's CPU when idle.
void MeasureFleet(const Plan &plan, Report &report);
// Configured stations of an open channel that hold a connection.
int ConnectedStations(ordax::DriverContext &ctx);
// Command 1 of 100 stations with 10 and with 50 silent ones, and command 11
// while the connects of 50 silent stations are pending.
void MeasureSilentStations(const Plan &plan, Report &report);
// Hot-backup swap to the first read served by the new master, alone in its
// channel and beside 10 silent stations.
void MeasureSwitchOver(Site &site, const Plan &plan, Report &report);
// Reads whose replies come in pieces (header and data apart; a 1000-word
// block in 1460-byte pieces), each beside the same read in whole frames.
void MeasureSplitReplies(Site &site, const Plan &plan, Report &report);
// A host opening 32 channels of 99 stations one after the other.
void MeasureHostChannels(const Site &site, const Plan &plan, Report &report);
// Single-word reads per second, 1 channel against 4 channels side by side.
void MeasureParallelChannels(const Plan &plan, Report &report);

}  // namespace bench
