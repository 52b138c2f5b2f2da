// Malformed and random input never crashes or stalls the simulator; many stations at once.
#include <memory>
#include <random>

#include "tests/plcsim/fixture.h"

namespace plcsim_test {
namespace {

class Robustness : public SimTest {
protected:
    // The station still answers a good request on a fresh connection.
    void ExpectStillServing(const char *ip) {
        IndependentClient c;
        Bytes r;
        ASSERT_TRUE(c.Open(ip));
        ASSERT_TRUE(c.Exchange(
            std::string(ip) == kSlcIp ? SlcRead(7, 7, 0x89, 0, 2) : Plc5Read(7, 7, 0, 1), r));
        EXPECT_EQ(ReplySts(r), 0);
    }
};

TEST_F(Robustness, HugeDataLengthClosesTheConnection) {
    IndependentClient c;
    ASSERT_TRUE(c.Open(kPlc5Ip));
    Bytes f = PcccFrame(c.session(), 1, Plc5Read(1, 7, 0, 1));
    f[2] = 0xFF;
    f[3] = 0xFF;
    ASSERT_TRUE(c.Send(f));
    EXPECT_TRUE(c.ClosedByPeer());
    EXPECT_GE(plc5().counters().malformed, 1u);
    ExpectStillServing(kPlc5Ip);
}

TEST_F(Robustness, DataLengthBeyondWhatArrivedWaitsWithoutAnswering) {
    IndependentClient c;
    ASSERT_TRUE(c.Open(kPlc5Ip));
    Bytes f = PcccFrame(c.session(), 1, Plc5Read(1, 7, 0, 1));
    f[3] = static_cast<uint8_t>(f[3] + 20);
    ASSERT_TRUE(c.Send(f));
    EXPECT_TRUE(c.Silent(150));
    ExpectStillServing(kPlc5Ip);
}

TEST_F(Robustness, TruncatedCommandsAreRefusedNotCrashed) {
    IndependentClient p, s;
    ASSERT_TRUE(p.Open(kPlc5Ip));
    ASSERT_TRUE(s.Open(kSlcIp));
    const Bytes full[] = {Plc5Read(1, 7, 300, 2, 1), Plc5Write(1, 7, 300, {1, 2}),
                          Plc5Rmw(1, 7, 300, 1, 2)};
    const Bytes slcFull[] = {SlcRead(1, 7, 0x89, 300, 300), SlcWrite(1, 7, 0x89, 300, {1}),
                             SlcMasked(1, 7, 0x89, 300, 1, 1)};
    for (int family = 0; family < 2; ++family) {
        IndependentClient &c = family == 0 ? p : s;
        for (const Bytes &cmd : family == 0 ? full : slcFull) {
            for (size_t cut = 5; cut < cmd.size(); ++cut) {
                // A read cut to the one-byte size form, or a write cut to fewer words (one
                // packet of a longer transaction), is still a valid PLC-5 request.
                bool valid = family == 0 && ((cmd[4] == 0x01 && cut == cmd.size() - 1) ||
                                             (cmd[4] == 0x00 && cut == cmd.size() - 2));
                if (valid) continue;
                Bytes part(cmd.begin(), cmd.begin() + static_cast<long>(cut));
                Bytes r;
                ASSERT_TRUE(c.Exchange(part, r)) << family << " cut " << cut;
                EXPECT_NE(ReplySts(r), 0) << family << " cut " << cut;
            }
        }
    }
    EXPECT_EQ(plc5().GetWord(N(7, 300)), 0);
    EXPECT_EQ(slc().GetWord(N(7, 300)), 0);
}

TEST_F(Robustness, RandomFramesNeverStallTheLoop) {
    std::mt19937 rng(20240611);
    auto byte = [&] { return static_cast<uint8_t>(rng() & 0xFF); };
    for (int round = 0; round < 200; ++round) {
        const char *ip = round % 2 ? kSlcIp : kPlc5Ip;
        IndependentClient c;
        ASSERT_TRUE(c.Open(ip));
        Bytes f;
        if (round % 3 == 0) {
            // Random PCCC body with a valid header and session.
            Bytes body(rng() % 40, 0);
            for (auto &b : body) b = byte();
            if (body.size() > 0) body[0] = 0x0F;
            if (body.size() > 4)
                body[4] = (rng() % 2) ? static_cast<uint8_t>(0xA2 + rng() % 10)
                                      : static_cast<uint8_t>(rng() % 3);
            f = PcccFrame(c.session(), 1, body);
        } else {
            // Random bytes with a plausible, possibly lying header.
            f.resize(28 + rng() % 64);
            for (auto &b : f) b = byte();
            f[0] = 1;
            f[1] = (rng() % 4) ? 7 : byte();
            f[2] = (rng() % 8) ? 0 : byte();
            for (int i = 0; i < 4; ++i) f[static_cast<size_t>(4 + i)] = c.session()[i];
        }
        ASSERT_TRUE(c.Send(f));
        Bytes r;
        if (c.ReadFrame(r, 30)) {
            EXPECT_EQ(r[0], 2);
            EXPECT_EQ(r.size(), 28u + Be16(r, 2));
        }
    }
    ExpectStillServing(kPlc5Ip);
    ExpectStillServing(kSlcIp);
}

TEST_F(Robustness, PipelinedRequestsAreAnsweredInOrder) {
    IndependentClient c;
    ASSERT_TRUE(c.Open(kPlc5Ip));
    Bytes burst;
    for (uint16_t tns = 1; tns <= 50; ++tns) {
        Bytes f = PcccFrame(c.session(), tns, Plc5Read(tns, 7, tns, 1));
        burst.insert(burst.end(), f.begin(), f.end());
    }
    ASSERT_TRUE(c.Send(burst));
    for (uint16_t tns = 1; tns <= 50; ++tns) {
        Bytes r;
        ASSERT_TRUE(c.ReadFrame(r));
        EXPECT_EQ(ReplyTns(r), tns);
    }
}

TEST(Scale, HundredStationsWithSeveralConnectionsEach) {
    plcsim::Simulator sim;
    std::vector<std::string> ips;
    for (int i = 1; i <= 100; ++i) {
        ips.push_back("127.0.43." + std::to_string(i));
        plcsim::Family family = i % 2 ? plcsim::Family::Plc5 : plcsim::Family::Slc5;
        int h = sim.AddStation({ips.back(), family, ""});
        ASSERT_EQ(h, i - 1) << sim.LastError();
        ASSERT_TRUE(sim.station(h).SetWord(N(7, 1), static_cast<uint16_t>(i)));
    }
    ASSERT_TRUE(sim.Start());
    std::vector<std::unique_ptr<IndependentClient>> clients;
    for (int i = 0; i < 100; ++i)
        for (int k = 0; k < 3; ++k) {
            clients.push_back(std::make_unique<IndependentClient>());
            ASSERT_TRUE(clients.back()->Open(ips[static_cast<size_t>(i)])) << i;
        }
    for (size_t n = 0; n < clients.size(); ++n) {
        int i = static_cast<int>(n / 3);
        Bytes r;
        Bytes cmd = i % 2 == 0 ? Plc5Read(1, 7, 1, 1) : SlcRead(1, 7, 0x89, 1, 2);
        ASSERT_TRUE(clients[n]->Exchange(cmd, r)) << n;
        EXPECT_EQ(ReplyWord(r, 0), i + 1);
    }
    EXPECT_EQ(sim.counters().openConnections, 300u);
    EXPECT_EQ(sim.counters().requests, 300u);
    sim.Stop();
    EXPECT_EQ(sim.counters().openConnections, 0u);
    ASSERT_TRUE(sim.Start());  // restart with the listeners kept
    IndependentClient again;
    EXPECT_TRUE(again.Open(ips[5]));
}

TEST(Tables, DescriptionsDefaultsAndApiChecks) {
    plcsim::Simulator sim;
    int a = sim.AddStation({"127.0.42.10", plcsim::Family::Plc5, "N7:5, F20:3,ST21:2 B40:1"});
    ASSERT_GE(a, 0) << sim.LastError();
    plcsim::Station &st = sim.station(a);
    EXPECT_EQ(st.FileElements(7), 5);
    EXPECT_EQ(st.FileElements(31), 10);  // default kept
    EXPECT_TRUE(st.HasFile(plcsim::FileType::PD, 12));
    EXPECT_TRUE(st.HasFile(plcsim::FileType::F, 20));
    EXPECT_FALSE(st.SetWord(N(7, 5), 1));                      // past the end
    EXPECT_FALSE(st.SetWord({plcsim::FileType::F, 7, 0}, 1));  // N7 is not F
    EXPECT_FALSE(st.SetFloat(N(7, 0), 1.0f));
    EXPECT_FALSE(st.GetWords(N(7, 3), 3));
    EXPECT_TRUE(st.GetWords(N(7, 3), 2));

    int b = sim.AddStation({"127.0.42.11", plcsim::Family::Slc5, "=N7:2,N31:1"});
    ASSERT_GE(b, 0) << sim.LastError();
    EXPECT_EQ(sim.station(b).FileElements(8), -1);
    EXPECT_FALSE(sim.station(b).HasFile(plcsim::FileType::PD, 12));
    EXPECT_EQ(sim.AddHotBackupPair(a, b), 0);

    const char *bad[] = {"PD9:3", "N7", "X7:3", "O5:3", "N2:3", "N7:0", "N1000:1", "N7:abc"};
    for (const char *text : bad) {
        EXPECT_EQ(sim.AddStation({"127.0.42.12", plcsim::Family::Slc5, text}), -1) << text;
        EXPECT_FALSE(sim.LastError().empty());
    }
    EXPECT_EQ(sim.AddStation({"127.0.42.10", plcsim::Family::Slc5, ""}), -1);  // already bound
    EXPECT_NE(sim.LastError().find("127.0.42.10:2222"), std::string::npos) << sim.LastError();
    EXPECT_NE(sim.LastError().find("the address is taken"), std::string::npos) << sim.LastError();
    EXPECT_EQ(sim.AddStation({"localhost", plcsim::Family::Slc5, ""}), -1);

    plcsim::Address addr;
    ASSERT_TRUE(plcsim::ParseAddress("T4:2.1", addr));
    EXPECT_EQ(addr.type, plcsim::FileType::T);
    EXPECT_EQ(addr.file, 4);
    EXPECT_EQ(addr.element, 2);
    EXPECT_EQ(addr.sub, 1);
    ASSERT_TRUE(plcsim::ParseAddress("st9:3", addr));
    EXPECT_EQ(addr.type, plcsim::FileType::ST);
    EXPECT_FALSE(plcsim::ParseAddress("Q7:1", addr));
    EXPECT_FALSE(plcsim::ParseAddress("N7", addr));
}

}  // namespace
}  // namespace plcsim_test
