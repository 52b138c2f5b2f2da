// A cleared channel block as command 1 leaves it before the node file is
// read, and a scratch directory of the test's own, the current one while
// the test runs.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "core/context.h"
#include "nodefile/node_file.h"
#include "testkit/channel_block.h"
#include "testkit/host_channel.h"

namespace nodefile_test {

class NodeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ctx_ = Cleared();
        ASSERT_TRUE(dir_.ok()) << dir_.error();
    }

    // A block as command 1 leaves it before it reads the node file.
    static std::unique_ptr<ordax::DriverContext> Cleared() {
        return ordax_test::NewChannelBlock(ordax_test::ChannelState::kClosed);
    }

    // Writes `bytes` as they are (binary) into `name` in the test directory.
    void Write(const std::string &name, const std::string &bytes) {
        std::ofstream out(dir_.path() / name, std::ios::binary);
        out << bytes;
    }
    // Writes `bytes` as the file of channel 1 and reads it.
    bool Read(const std::string &bytes) {
        Write("Ordax01.int", bytes);
        return ordax::ReadNodeFile(ctx_.get(), 1);
    }
    const ordax::StationEntry &Station(int n) const { return ctx_->stations[n]; }
    const ordax::ChannelTimers &Timers() const { return ctx_->timers; }

    std::unique_ptr<ordax::DriverContext> ctx_;
    ordax_test::NodeDir dir_{"ordax-nodefile"};
};

}  // namespace nodefile_test
