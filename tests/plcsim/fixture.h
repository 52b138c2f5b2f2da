// Test fixture: a simulator with one PLC-5 and one SLC 5/05 station on loopback.
#pragma once

#include <gtest/gtest.h>

#include "testkit/independent_client.h"
#include "tools/plcsim/plcsim.h"

namespace plcsim_test {

// Addresses of this test program (kept apart from the other test programs' stations).
inline constexpr const char *kPlc5Ip = "127.0.42.2";
inline constexpr const char *kSlcIp = "127.0.42.3";

class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        plc5_ = sim_.AddStation({kPlc5Ip, plcsim::Family::Plc5, extraTables_});
        slc_ = sim_.AddStation({kSlcIp, plcsim::Family::Slc5, extraTables_});
        ASSERT_GE(plc5_, 0) << "simulated PLC-5 at " << kPlc5Ip << ": " << sim_.LastError();
        ASSERT_GE(slc_, 0) << "simulated SLC 5 at " << kSlcIp << ": " << sim_.LastError();
        ASSERT_TRUE(sim_.Start()) << "simulator did not start: " << sim_.LastError();
    }
    plcsim::Station &plc5() { return sim_.station(plc5_); }
    plcsim::Station &slc() { return sim_.station(slc_); }

    std::string extraTables_ = "N255:10";
    plcsim::Simulator sim_;
    int plc5_ = -1;
    int slc_ = -1;
};

inline plcsim::Address N(int file, int element) {
    return {plcsim::FileType::N, file, element, 0};
}

}  // namespace plcsim_test
