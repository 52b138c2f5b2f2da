// A cleared channel block as command 1 leaves it before the node file is
// read, and a temporary directory that tests make the current one.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/context.h"
#include "nodefile/node_file.h"
#include "tests/support/channel_block.h"

namespace nodefile_test {

namespace fs = std::filesystem;

class NodeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> serial{0};
        dir_ =
            fs::temp_directory_path() /
            ("ordax-nodefile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + std::to_string(serial++) + "-" +
             std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        fs::create_directories(dir_);
        saved_ = fs::current_path();
        fs::current_path(dir_);
        ctx_ = Cleared();
    }
    void TearDown() override {
        fs::current_path(saved_);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // A block as command 1 leaves it before it reads the node file.
    static std::unique_ptr<ordax::DriverContext> Cleared() {
        return ordax_test::NewChannelBlock(ordax_test::ChannelState::kClosed);
    }

    // Writes `bytes` as they are (binary) into `name` in the test directory.
    void Write(const std::string &name, const std::string &bytes) {
        std::ofstream out(dir_ / name, std::ios::binary);
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
    fs::path dir_;
    fs::path saved_;
};

}  // namespace nodefile_test
