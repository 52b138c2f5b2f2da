// The replacement host library: messages, clients, gate texts, threads.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "core/host.h"
#include "host/tamhub.h"
#include "testkit/messages.h"
#include "testkit/scratch_dir.h"

namespace {

class TamHub : public ::testing::Test {
protected:
    void SetUp() override { TamHubReset(); }
    void TearDown() override { TamHubReset(); }
};

TEST_F(TamHub, FormatsMessagesWithTheirLevel) {
    ordax_test::MessageCapture capture;
    err(32, "Ordax : File %s not found !", "Ordax01.int");
    err(8, "Ordax : Receive Message error %d 0x%d", 10060, 10060);
    ASSERT_EQ(capture.Count(), 2u);
    EXPECT_TRUE(capture.Has("Ordax : File Ordax01.int not found !", 32));
    EXPECT_TRUE(capture.Has("Ordax : Receive Message error 10060 0x10060", 8));
}

TEST_F(TamHub, LongMessagesAreCutNotOverrun) {
    ordax_test::MessageCapture capture;
    std::string big(10000, 'x');
    err(32, "%s", big.c_str());
    ASSERT_EQ(capture.Count(), 1u);
    EXPECT_LT(capture.All()[0].text.size(), big.size());
    EXPECT_GT(capture.All()[0].text.size(), 1000u);
}

TEST_F(TamHub, WritesTimestampedLinesToTheLogFile) {
    ordax_test::ScratchDir dir("ordax-tamhub");
    ASSERT_TRUE(dir.ok()) << dir.error();
    const std::string path = (dir.path() / "tamhub.log").string();
    setenv("TAMHUB_LOG", path.c_str(), 1);
    err(32, "Ordax : Channel Open Failed !!!");
    err(8, "second %d", 2);
    unsetenv("TAMHUB_LOG");
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    std::string text = all.str();
    EXPECT_NE(text.find("[32] Ordax : Channel Open Failed !!!\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[ 8] second 2\n"), std::string::npos) << text;
    // Time stamp: "YYYY-MM-DD HH:MM:SS.mmm " at the start of the line.
    ASSERT_GE(text.size(), 24u);
    EXPECT_EQ(text[4], '-');
    EXPECT_EQ(text[10], ' ');
    EXPECT_EQ(text[19], '.');
}

TEST_F(TamHub, ClientsGetDistinctIdentifiers) {
    int a = 0, b = 0;
    EXPECT_EQ(TamHubLastClientName(), nullptr);
    const char first[] = "Ordax01";
    const char second[] = "Ordax02";
    EXPECT_EQ(Tam5MkClient(first, 1, 0, &a), 0);
    EXPECT_EQ(TamHubLastClientName(), first);
    EXPECT_EQ(Tam5MkClient(second, 1, 0, &b), 0);
    EXPECT_EQ(TamHubLastClientName(), second);  // the pointer itself, kept
    EXPECT_NE(a, 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(TamHubClientCount(), 2);
}

TEST_F(TamHub, InjectedFailuresAreReturned) {
    TamHubSetMkClientResult(-3);
    int id = 77;
    EXPECT_EQ(Tam5MkClient("Ordax01", 1, 0, &id), -3);
    EXPECT_EQ(id, 77);
    TamHubSetPutGateResult(5);
    EXPECT_EQ(Tam5PutGateStr(1, 9, 2, "x", 0, 0), 5);
    EXPECT_EQ(TamHubLastGateText(1, 9, nullptr, 0), 0);
}

TEST_F(TamHub, KeepsTheLastTextPerGate) {
    EXPECT_EQ(Tam5PutGateStr(1, 10, 2, "first", 0, 0), 0);
    EXPECT_EQ(Tam5PutGateStr(1, 10, 2, "second", 0, 0), 0);
    EXPECT_EQ(Tam5PutGateStr(2, 10, 2, "other client", 0, 0), 0);
    char out[16];
    ASSERT_EQ(TamHubLastGateText(1, 10, out, sizeof out), 1);
    EXPECT_STREQ(out, "second");
    char small[4];
    ASSERT_EQ(TamHubLastGateText(2, 10, small, sizeof small), 1);
    EXPECT_STREQ(small, "oth");
    EXPECT_EQ(TamHubLastGateText(1, 11, out, sizeof out), 0);
}

TEST_F(TamHub, GateSinkSeesDeliveries) {
    struct Seen {
        int client = 0, gate = 0;
        std::string text;
    } seen;
    TamHubSetGateSink(
        [](void *user, int client, int gateId, const char *text) {
            auto *s = static_cast<Seen *>(user);
            s->client = client;
            s->gate = gateId;
            s->text = text;
        },
        &seen);
    Tam5PutGateStr(3, 44, 2, "Hello", 0, 0);
    EXPECT_EQ(seen.client, 3);
    EXPECT_EQ(seen.gate, 44);
    EXPECT_EQ(seen.text, "Hello");
}

TEST_F(TamHub, AcceptsCallsFromManyThreadsAtOnce) {
    ordax_test::MessageCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 500; ++i) {
                err(8, "thread %d message %d", t, i);
                int id = 0;
                Tam5MkClient("c", 1, 0, &id);
                Tam5PutGateStr(t, i, 2, "v", 0, 0);
            }
        });
    }
    for (auto &th : threads) th.join();
    EXPECT_EQ(capture.Count(), 8u * 500u);
    EXPECT_EQ(TamHubClientCount(), 8 * 500);
    EXPECT_TRUE(capture.Has("thread 7 message 499", 8));
}

}  // namespace
