// The RealTraffic link against the feeder's link client on 127.0.0.1: the
// version handshake, user position and simulator time lines with their
// values and rate, the wait for RealTraffic after it drops the link, and
// the goodbye on close; and clients that stop reading or never answer.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <functional>
#include <future>
#include <initializer_list>
#include <memory>
#include <regex>
#include <tuple>
#include <string>
#include <thread>
#include <vector>

#include "core/main_window_state.h"
#include "platform/net/tcp_deadline.h"
#include "platform/net/tcp_socket.h"
#include "support/engine_harness.h"
#include "traffic/engine/link_log.h"
#include "traffic/engine/link_peers.h"
#include "traffic/engine/realtraffic_link.h"
#include "traffic/engine/realtraffic_link_fixture.h"
#include "traffic/feed/feed_log.h"
#include "traffic/feed/feeder_wait.h"

namespace gwr {
namespace {

using namespace linktest;
using testsupport::waitUntil;

TEST_F(RealTrafficLink, HandshakePositionTimeReconnectAndGoodbye) {
  auto feeder = std::make_unique<FeederLink>(port);
  lf_connectRealTraffic();
  ASSERT_TRUE(realTrafficConnected.load());
  EXPECT_TRUE(waitUntil([&] { return feeder->has("Qs999=version"); }));
  EXPECT_TRUE(!beforeFirstConnection.load() && log.text().find("RealTraffic connected") != std::string::npos);

  trafficEngine.user = exampleUser();
  lf_sendUserPosition();
  EXPECT_TRUE(waitUntil([&] { return feeder->has("Qs121=500;-100;1.570800;500;250;0.829031;0.148353"); }));
  lf_sendSimTime(0);  // no time yet: no line
  lf_sendSimTime(1718000000);
  EXPECT_TRUE(waitUntil([&] { return feeder->has("Qs123=1718000000000"); }));
  EXPECT_EQ(feeder->count("Qs123="), 1u);

  // RealTraffic goes away: a send fails, and later calls look for it coming back.
  feeder->stop();
  for (int i = 0; i < 100 && realTrafficConnected.load(); ++i) lf_sendUserPosition();
  ASSERT_FALSE(realTrafficConnected.load());
  EXPECT_NE(log.text().find("RealTraffic gone? Wait for RealTraffic to re-connect ..."), std::string::npos);
  feeder = std::make_unique<FeederLink>(port);
  ASSERT_TRUE(waitUntil([] {
    lf_sendUserPosition();
    return realTrafficConnected.load();
  }));
  EXPECT_NE(log.text().find("RealTraffic re-connected"), std::string::npos);
  lf_sendUserPosition();
  EXPECT_TRUE(waitUntil([&] { return feeder->count("Qs121=") == 1; }));
  EXPECT_EQ(feeder->count("Qs999="), 1u);  // every connection must answer it

  EXPECT_TRUE(gf_mainWindow().realTrafficDetailsShown.load());
  lf_closeRealTrafficLink();
  EXPECT_TRUE(waitUntil([&] { return feeder->has("exit"); }));
  EXPECT_EQ(gf_realTrafficPort(), 0);
  EXPECT_FALSE(gf_mainWindow().realTrafficDetailsShown.load());  // the watchdog stops looking
}

// Both readers on their threads over UDP: RealTraffic's pressure (1003 hPa)
// reaches every holder; once the link dropped and came back, the window
// shows 1013 and a line at 36000 ft is corrected with 1013 until the next
// pressure datagram, which is taken although it repeats the old value.
TEST_F(RealTrafficLink, AReconnectPutsThePressureBackTo1013Everywhere) {
  testsupport::FeedState feed;
  trafficReader.setReferencePosition({50.0333, 8.5706});
  testsupport::RunningReader pressure(qnhReader);
  testsupport::RunningReader traffic(trafficReader);
  auto feeder = std::make_unique<FeederLink>(port);
  lf_connectRealTraffic();
  trafficEngine.user = exampleUser();
  // What the window shows, the movement code's copy and the altitude of a line.
  const auto holders = [&](double altitude) {
    {
      const std::lock_guard lock(trafficRecordMutex);
      trafficRecordQueue.clear();
    }
    traffic.send({testsupport::TrafficLine{}.text()});
    EXPECT_TRUE(waitUntil([] { return testsupport::FeedState::queuedCount() == 1; }));
    const auto queued = testsupport::FeedState::queued();
    const double offBy = queued.empty() ? -1.0 : queued[0].altitude - altitude;
    return std::tuple(gf_mainWindow().qnh.load(), currentQnh.load(), offBy);
  };
  const auto sendPressure = [&] {
    pressure.send({R"({"QNH":1003})"});
    ASSERT_TRUE(waitUntil([] { return currentQnh.load() == 1003; }));
  };
  sendPressure();
  EXPECT_EQ(holders(36000.0 - 10.25 * 27), std::tuple(1003, 1003, 0.0));

  feeder->stop();
  for (int i = 0; i < 100 && realTrafficConnected.load(); ++i) lf_sendUserPosition();
  feeder = std::make_unique<FeederLink>(port);
  ASSERT_TRUE(waitUntil([] {
    lf_sendUserPosition();
    return realTrafficConnected.load();
  }));
  EXPECT_EQ(holders(36000.0 - 0.25 * 27), std::tuple(1013, 1013, 0.0));
  sendPressure();
  EXPECT_EQ(holders(36000.0 - 10.25 * 27), std::tuple(1003, 1003, 0.0));
  lf_resetFeedForLink();
}

TEST_F(RealTrafficLink, NoPositionNoLineAndNoWait) {
  auto feeder = std::make_unique<FeederLink>(port);
  lf_connectRealTraffic();
  trafficEngine.user = {};  // 0,0: unknown
  lf_sendUserPosition();
  feeder->stop();
  // Not connected and no position: returns at once instead of waiting in accept.
  realTrafficConnected.store(false);
  lf_sendUserPosition();
  EXPECT_EQ(feeder->count("Qs121="), 0u);
}

TEST_F(RealTrafficLink, ClosingWithoutClientSendsNothingAndABadPortThrows) {
  // Closing from another thread ends the run step's wait for RealTraffic.
  auto waiting = std::async(std::launch::async, [] { lf_connectRealTraffic(); });
  EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  lf_closeRealTrafficLink();
  EXPECT_EQ(waiting.wait_for(std::chrono::seconds(2)), std::future_status::ready);
  EXPECT_EQ(std::tuple(gf_realTrafficPort(), realTrafficConnected.load()), std::tuple(0, false));
  EXPECT_THROW(lf_listenForRealTraffic("10747x"), std::runtime_error);
}

// Runs call on a thread; still blocked after a while (the fault), the stuck peer is closed to free it.
bool endsInTime(std::function<void()> call, RawClient& stuck) {
  auto running = std::async(std::launch::async, std::move(call));
  const bool ended = running.wait_for(8s) == std::future_status::ready;
  if (!ended) stuck.socket.close(true);
  running.wait();
  return ended;
}

TEST_F(RealTrafficLink, AClientThatStopsReadingIsDroppedWithoutHoldingTheSender) {
  gf_setLinkTimeLimits({200ms, 200ms});
  RawClient client(port, "RealTraffic\r\n");
  lf_connectRealTraffic();
  ASSERT_TRUE(realTrafficConnected.load());
  const std::string bulk(256 * 1024, 'x');  // fills the socket buffers fast
  std::chrono::steady_clock::duration longest{};
  const auto fill = [&] {
    for (int i = 0; i < 4096 && realTrafficConnected.load(); ++i) {
      const auto start = std::chrono::steady_clock::now();
      sendDataPacket(bulk);
      longest = std::max(longest, std::chrono::steady_clock::now() - start);
    }
  };
  EXPECT_TRUE(endsInTime(fill, client));
  EXPECT_FALSE(realTrafficConnected.load());
  EXPECT_LT(longest, 1s);
}

// RealTraffic queued behind a silent client is taken as soon as it answers;
// the silent one was asked and is closed, it never gets a position.
TEST_F(RealTrafficLink, SilentClientsAreClosedAndTheNextOneTaken) {
  gf_setLinkTimeLimits({200ms, 2000ms});
  auto silent = std::make_unique<RawClient>(port, "");
  RawClient realTraffic(port, "RealTraffic\r\n");
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(endsInTime([] { lf_connectRealTraffic(); }, *silent));
  EXPECT_TRUE(realTrafficConnected.load() && std::chrono::steady_clock::now() - start < 1s);
  trafficEngine.user = exampleUser();
  lf_sendUserPosition();
  EXPECT_EQ(silent->received(), "Qs999=version\r\n<closed>");
  EXPECT_NE(realTraffic.received().find("Qs121="), std::string::npos);
}

// A failed listen names the call that failed and leaves no socket open; an
// accepted client that cannot send at once is not taken.
TEST_F(RealTrafficLink, AFailedListenNamesItsCallAndAClientNeedsNoDelay) {
  lf_closeRealTrafficLink();
  platform::TcpListener holder;  // another program on the port
  ASSERT_EQ(holder.listen(platform::Ipv4Address::any(), 0), 0);
  const std::string held = std::to_string(holder.localPort());
  using platform::SocketStep;
  const std::tuple<SocketStep, std::int32_t, std::string, std::string> cases[] = {
      {SocketStep::socket, 10024, "0", "socket failed with error 10024 Too many open sockets"},
      {SocketStep::reuseAddress, 10055, "0", "setsockopt(SO_REUSEADDR) failed"},
      {SocketStep::bind, 0, held, "Bind failed at port " + held + " with error 10048 Address already in use"},
      {SocketStep::listen, 10050, "0", "listen failed with error 10050 Network is down"}};
  for (const auto& [step, code, port, message] : cases) {
    if (code != 0) platform::gf_failSocketStepForTests(step, code);
    try { lf_listenForRealTraffic(port); ADD_FAILURE() << message; }
    catch (const std::runtime_error& e) { EXPECT_EQ(e.what(), message); }
    EXPECT_EQ(gf_realTrafficPort(), 0) << message;
  }
  lf_listenForRealTraffic("0");
  platform::gf_failSocketStepForTests(platform::SocketStep::noDelay, 10022);
  FeederLink feeder(gf_realTrafficPort());
  EXPECT_TRUE(waitUntil([&] { return !lf_acceptRealTraffic() && log.text().find("waitForClient") != std::string::npos; }));
  EXPECT_LT(log.text().find("waitForClient interrupted: "),
            log.text().find(" setsockopt failed with error 10022 Invalid argument"));
  EXPECT_TRUE(waitUntil([] { return lf_acceptRealTraffic(); }));  // the feeder comes again
}

// The engine sends the user position every 20 ticks and the simulator time
// every fifth engine second while the flight runs.
TEST(RealTrafficLinkRate, PositionEveryTwentyTicksAndTimeEveryFiveSeconds) {
  testsupport::EngineHarness harness({}, {});
  realTrafficOnThisPc.store(true);
  lf_listenForRealTraffic("0");
  FeederLink feeder(gf_realTrafficPort());
  lf_connectRealTraffic();
  ASSERT_TRUE(realTrafficConnected.load());
  harness.run(10.0);
  EXPECT_TRUE(waitUntil([&] { return feeder.count("Qs121=") >= 50 && feeder.count("Qs123=") >= 2; }));
  EXPECT_LE(feeder.count("Qs121="), 51u);
  EXPECT_LE(feeder.count("Qs123="), 2u);
  // Frankfurt in radians, the emulator's 2024-02-29 00:00 UTC start plus the engine's seconds.
  const auto lines = feeder.lines();
  const auto position = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("Qs121="); });
  ASSERT_NE(position, lines.end());
  EXPECT_TRUE(position->ends_with(";0.873246;0.149585")) << *position;
  for (const auto& line : lines) {
    if (!line.starts_with("Qs123=")) continue;
    const long long ms = std::stoll(line.substr(6));  // from 2024-02-29 00:00 UTC, the emulated zulu start
    EXPECT_TRUE(ms % 1000 == 0 && ms >= 1709164800000LL && ms <= 1709164812000LL) << line;
  }
  lf_closeRealTrafficLink();
  realTrafficOnThisPc.store(false);
}

// The local address of the socket listening at port, as the kernel lists it
// (hex, network order as stored: 127.0.0.1 is "0100007F"); empty when none listens.
std::string listeningAddressOf(std::uint16_t port) {
  std::ifstream table("/proc/net/tcp");
  std::string line, slot, local, remote, state;
  std::getline(table, line);  // heading
  while (table >> slot >> local >> remote >> state && std::getline(table, line)) {
    const auto colon = local.find(':');
    if (state == "0A" && std::stoul(local.substr(colon + 1), nullptr, 16) == port) return local.substr(0, colon);
  }
  return {};
}

// Only this PC reaches the port, and connections not taken yet queue there a
// few dozen deep, not thousands.
TEST_F(RealTrafficLink, OnlyThisPcReachesThePortAndFewQueueThere) {
  EXPECT_EQ(listeningAddressOf(port), "0100007F");
  std::vector<int> peers;
  for (int i = 0; i < 64; ++i) peers.push_back(connectionBegun(port));
  std::this_thread::sleep_for(100ms);
  const auto queued = std::count_if(peers.begin(), peers.end(), [](int fd) { return connectedWithin(fd, 0); });
  for (const int fd : peers) ::close(fd);
  EXPECT_GT(queued, 0);
  EXPECT_LE(queued, 40);
}

// No descriptor left for a waiting connection: the wait for RealTraffic
// says so (counted) and pauses between tries instead of spinning.
// Without free descriptors the sanitizers' own checks fail and report the
// program's objects as broken, so this runs in the plain and thread builds.
#if defined(__SANITIZE_ADDRESS__)
#define GWR_DESCRIPTORS_BLIND_THE_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GWR_DESCRIPTORS_BLIND_THE_SANITIZER 1
#endif
#endif

TEST_F(RealTrafficLink, AFailingAcceptIsLoggedAndDoesNotSpin) {
#ifdef GWR_DESCRIPTORS_BLIND_THE_SANITIZER
  GTEST_SKIP() << "no descriptors left: the address and undefined-behaviour checks cannot work";
#endif
  RawClient waiting(port, "");
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit none = saved;
  none.rlim_cur = static_cast<rlim_t>(::dup(0));  // the lowest free descriptor, closed again
  ::close(static_cast<int>(none.rlim_cur));
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &none), 0);
  std::thread connecting([] { lf_connectRealTraffic(); });
  std::this_thread::sleep_for(250ms);
  lf_closeRealTrafficLink();
  connecting.join();
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
  const std::string text = log.text();
  EXPECT_EQ(linesWith(log, "RealTraffic link: accept failed: 10024 Too many open sockets"), 1u);
  std::smatch held;
  ASSERT_TRUE(std::regex_search(text, held, std::regex("(\\d+) more log lines? about failed link accepts held back")));
  EXPECT_LE(std::stoi(held[1]), 10);  // a try every 50 ms, not thousands
}

// RealTraffic comes back behind thirty connections that never answer and is
// served within a second, while the loop keeps its tick.
TEST(RealTrafficLinkRate, RealTrafficComesBackBehindThirtySilentPeers) {
  testsupport::EngineHarness harness({}, {});
  realTrafficOnThisPc.store(true);
  gf_setLinkTimeLimits({200ms, 300ms});
  lf_listenForRealTraffic("0");
  const std::uint16_t port = gf_realTrafficPort();
  auto feeder = std::make_unique<FeederLink>(port);
  lf_connectRealTraffic();
  feeder.reset();  // RealTraffic goes away
  ASSERT_TRUE(harness.runUntil(10.0, [] { return !realTrafficConnected.load(); }));
  std::vector<std::unique_ptr<RawClient>> silent;
  std::atomic<bool> queued{false};
  std::thread queue([&] {
    silent = silentPeers(port, 30);
    feeder = std::make_unique<FeederLink>(port);
    queued.store(true);
  });
  const auto start = Steady::now();
  Steady::duration longest{};
  while (!(queued.load() && feeder->count("Qs121=") > 0) && Steady::now() - start < 20s) {
    const auto pass = Steady::now();
    harness.pass();
    longest = std::max(longest, Steady::now() - pass);
    std::this_thread::sleep_until(pass + 10ms);
  }
  EXPECT_LT(Steady::now() - start, 3s);
  EXPECT_LT(longest, 50ms);
  queue.join();
  for (auto& peer : silent) EXPECT_EQ(peer->received(0ms).find("Qs121="), std::string::npos);
  lf_closeRealTrafficLink();
  gf_setLinkTimeLimits(defaultLinkTimeLimits);
  realTrafficOnThisPc.store(false);
}

} // namespace
} // namespace gwr
