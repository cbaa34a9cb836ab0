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
#include <memory>
#include <regex>
#include <sstream>
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
#include "traffic/feed/feeder_wait.h"

namespace gwr {
namespace {

using testsupport::waitUntil;

using FeederLink = testsupport::RunningLinkClient;

// The user state of the worked example: 47.5 N 8.5 E, nose 0.005 rad up.
UserState exampleUser() {
  UserState u;
  std::tie(u.latitude, u.longitude, u.pitch, u.bank, u.heading, u.indicatedAltitude, u.groundVelocity) =
      std::tuple(47.5, 8.5, -0.005, -0.001, 1.5708, 0.5, 0.25);
  return u;
}

class RealTrafficLink : public ::testing::Test {
 protected:
  void SetUp() override {
    realTrafficOnThisPc.store(true);
    realTrafficConnected.store(false);
    gf_resetLinkLog();
    lf_listenForRealTraffic("0");
    port = gf_realTrafficPort();
    ASSERT_NE(port, 0);
  }
  void TearDown() override {
    gf_setLinkTimeLimits(defaultLinkTimeLimits);
    gf_setLinkLogClock(nullptr);
    lf_closeRealTrafficLink();
    realTrafficOnThisPc.store(false);
    trafficEngine.user = {};
  }
  testsupport::LogCapture log;
  std::uint16_t port = 0;
};

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

// The local address of the socket listening at port, as the kernel lists it
// (hex, network order as stored: 127.0.0.1 is "0100007F"); empty when none listens.
std::string listeningAddressOf(std::uint16_t port) {
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);  // heading
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    const auto colon = local.find(':');
    if (state == "0A" && colon != std::string::npos && std::stoul(local.substr(colon + 1), nullptr, 16) == port)
      return local.substr(0, colon);
  }
  return {};
}

TEST_F(RealTrafficLink, OnlyThisPcReachesThePort) {
  EXPECT_EQ(listeningAddressOf(port), "0100007F");
}

using namespace std::chrono_literals;

// A client that answers the version request ahead of time (or never) and reads only when asked.
struct RawClient {
  RawClient(std::uint16_t port, std::string_view answer) {
    EXPECT_EQ(socket.connect(platform::Ipv4Address::loopback(), port), 0);
    if (!answer.empty()) socket.sendAll(answer);
  }
  std::string received() {  // until closed or quiet for a while
    std::string text;
    std::array<char, 4096> buffer{};
    for (auto got = platform::gf_receiveWithin(socket, buffer, 300ms); got.ok() && got.count > 0;
         got = platform::gf_receiveWithin(socket, buffer, 300ms))
      text.append(buffer.data(), static_cast<std::size_t>(got.count));
    return text;
  }
  platform::TcpConnection socket;
};

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

// Looks at the port until the link is up, as the loop does every 20 ticks.
bool acceptedWithin(std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!lf_acceptRealTraffic()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
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
  EXPECT_EQ(silent->received(), "Qs999=version\r\n");
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
  EXPECT_TRUE(acceptedWithin(2s));  // the feeder comes again
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

using Steady = std::chrono::steady_clock;
std::atomic<std::int64_t> shiftedBy{0};  // nanoseconds the link log's clock runs ahead

// The link log's clock moves on by the interval, and the held-back lines are summed up.
void flushAfterInterval() {
  shiftedBy.store(std::chrono::duration_cast<std::chrono::nanoseconds>(feedLogInterval).count());
  gf_setLinkLogClock([] { return Steady::now() + std::chrono::nanoseconds(shiftedBy.load()); });
  gf_flushLinkLog();
}

std::size_t linesWith(const testsupport::LogCapture& log, const std::string& part) {
  const auto lines = log.lines();
  return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != l.npos; }));
}

// Log bytes a second while peers connect and close at once (sending `answer`
// first) for half a second, and `step` runs meanwhile.
double churnLogRate(std::uint16_t port, const std::string& answer, const testsupport::LogCapture& log,
                    const std::function<void()>& step) {
  std::atomic<bool> stop{false};
  std::thread churn([&] {
    for (platform::TcpConnection peer; !stop.load(); peer.close())
      if (peer.connect(platform::Ipv4Address::loopback(), port) == 0 && !answer.empty()) peer.sendAll(answer);
  });
  const auto start = Steady::now();
  const std::size_t before = log.text().size();
  while (Steady::now() - start < 500ms) step();
  const double rate = static_cast<double>(log.text().size() - before) / std::chrono::duration<double>(Steady::now() - start).count();
  stop.store(true);
  churn.join();
  return rate;
}

// Connect-and-close churn while the program waits for RealTraffic, and
// (answering first) while the loop looks for it coming back: each kind of
// line once, then counted; a peer that closed is not called silent.
TEST_F(RealTrafficLink, ConnectAndCloseChurnWritesLittleLog) {
  gf_setLinkTimeLimits({200ms, 200ms});  // a closed peer taken for silent would show within the churn
  auto waiting = std::async(std::launch::async, [] { lf_connectRealTraffic(); });
  EXPECT_LT(churnLogRate(port, "", log, [] { std::this_thread::sleep_for(10ms); }), 2000.0);
  EXPECT_EQ(log.text().find("no answer to the version request"), std::string::npos);
  for (const std::string kind : {"RealTraffic link: connection closed by the peer", "receive: ", "sendDataPacket"})
    EXPECT_LE(linesWith(log, kind), 1u) << kind;
  flushAfterInterval();
  EXPECT_NE(log.text().find(" more log lines about link peers that closed first held back"), std::string::npos);

  gf_setLinkLogClock(nullptr);
  gf_resetLinkLog();
  auto feeder = std::make_unique<FeederLink>(port);
  ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
  trafficEngine.user = exampleUser();
  feeder.reset();
  log.mark();
  const auto step = [] { lf_sendUserPosition(); std::this_thread::sleep_for(5ms); };
  EXPECT_LT(churnLogRate(port, "RealTraffic\r\n", log, step), 2000.0);
  for (const std::string kind : {"RealTraffic re-connected", "RealTraffic gone?", "sendDataPacket", "client socket closed"})
    EXPECT_LE(linesWith(log, kind), 1u) << kind;
}

// What a peer has got by now, and "<closed>" when the link closed it.
std::string gotByNow(platform::TcpConnection& socket) {
  std::string text;
  std::array<char, 4096> buffer{};
  for (auto got = platform::gf_receiveWithin(socket, buffer, 0ms); got.ok(); got = platform::gf_receiveWithin(socket, buffer, 0ms)) {
    if (got.count == 0) return text + "<closed>";
    text.append(buffer.data(), static_cast<std::size_t>(got.count));
  }
  return text;
}

// Held-back lines are summed up when the link closes (a second close adds
// nothing), and the next run writes its first line of a kind again.
TEST_F(RealTrafficLink, ClosingSumsUpHeldBackLinesAndTheNextRunCountsAfresh) {
  for (int i = 0; i < 3; ++i) gf_logLink(LinkLogKind::gone, "gone line");
  lf_closeRealTrafficLink();
  lf_closeRealTrafficLink();
  EXPECT_EQ(linesWith(log, "2 more log lines about lost links held back"), 1u);
  lf_listenForRealTraffic("0");
  gf_logLink(LinkLogKind::gone, "next run's line");
  EXPECT_EQ(linesWith(log, "next run's line"), 1u);
}

// Peers that reset before they were asked closed first; they are not failed
// sends of RealTraffic, whose own line they would otherwise hold back.
TEST_F(RealTrafficLink, APeerThatResetsBeforeTheRequestClosedFirst) {
  platform::TcpListener listener;
  ASSERT_EQ(listener.listenSteps(platform::Ipv4Address::loopback(), 0, 8, false).error, 0);
  for (int i = 0; i < 3; ++i) {
    RawClient peer(listener.localPort(), "");
    const linger abort{1, 0};  // close with a reset
    ::setsockopt(peer.socket.descriptor(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  }
  std::this_thread::sleep_for(50ms);
  WaitingPeers peers;
  EXPECT_FALSE(peers.round(listener, 300ms, false).valid());
  EXPECT_EQ(std::tuple(linesWith(log, "closed by the peer before it answered"), linesWith(log, "sendDataPacket")),
            std::tuple(1u, 0u));
  flushAfterInterval();
  EXPECT_TRUE(testsupport::hasLine(log, "2 more log lines about link peers that closed first held back"));
}

std::atomic<bool> closeAtNextLine{false};
std::future<void> closing;

// The link log's clock, which closes the link from another thread at the
// next line (in the middle of a round) and gives the close time to begin.
Steady::time_point closeMidRound() {
  if (closeAtNextLine.exchange(false)) {
    closing = std::async(std::launch::async, [] { lf_closeRealTrafficLink(); });
    std::this_thread::sleep_for(100ms);
  }
  return Steady::now();
}

// Two peers answer and one is silent: the one not taken are closed with a
// line each. Here the window closes the link while the round hands out the
// first: the closed link takes no client, and the peer is closed.
TEST_F(RealTrafficLink, AClosedLinkTakesNoClientAndPeersPassedOverAreLogged) {
  RawClient first(port, "RealTraffic\r\n"), second(port, "RealTraffic\r\n"), silent(port, "");
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(lf_acceptRealTraffic());  // all three asked
  closeAtNextLine.store(true);
  gf_setLinkLogClock(closeMidRound);
  EXPECT_FALSE(lf_acceptRealTraffic());
  ASSERT_TRUE(closing.valid());
  closing.wait();
  EXPECT_FALSE(realTrafficConnected.load());
  EXPECT_TRUE(waitUntil([&] { return gotByNow(first.socket) == "Qs999=version\r\n<closed>"; }));
  EXPECT_EQ(linesWith(log, "RealTraffic link: connection closed, another connection answered the version request first"), 1u);
  EXPECT_TRUE(testsupport::hasLine(log, "1 more log line about link peers passed over held back"));
}

// The lowest descriptor number not in use.
int lowestFreeDescriptor() {
  const int probe = ::dup(0);
  ::close(probe);
  return probe;
}

// No descriptor left for a waiting connection: the wait for RealTraffic
// says so (counted) and pauses between tries instead of spinning.
TEST_F(RealTrafficLink, AFailingAcceptIsLoggedAndDoesNotSpin) {
  RawClient waiting(port, "");
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit none = saved;
  none.rlim_cur = static_cast<rlim_t>(lowestFreeDescriptor());
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &none), 0);
  std::thread connecting([] { lf_connectRealTraffic(); });
  std::this_thread::sleep_for(500ms);
  lf_closeRealTrafficLink();
  connecting.join();
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
  const std::string text = log.text();
  EXPECT_EQ(linesWith(log, "RealTraffic link: accept failed: 10024 Too many open sockets"), 1u);
  std::smatch held;
  ASSERT_TRUE(std::regex_search(text, held, std::regex("(\\d+) more log lines? about failed link accepts held back")));
  EXPECT_LE(std::stoi(held[1]), 15);  // a try every 50 ms, not thousands
}

// Forty silent connections: a round asks the new ones and never waits, past
// 32 the oldest go, and one handshake time after they came all are closed.
TEST_F(RealTrafficLink, SilentPeersCostOneHandshakeTimeInAll) {
  platform::TcpListener listener;
  ASSERT_EQ(listener.listenSteps(platform::Ipv4Address::loopback(), 0, 64, false).error, 0);
  std::vector<std::unique_ptr<RawClient>> silent;
  for (int i = 0; i < 40; ++i) silent.push_back(std::make_unique<RawClient>(listener.localPort(), ""));
  WaitingPeers peers;
  const auto round = [&] {
    const auto start = Steady::now();
    EXPECT_FALSE(peers.round(listener, 300ms, false).valid());
    EXPECT_LT(Steady::now() - start, 50ms);
  };
  round();
  round();
  EXPECT_EQ(peers.size(), 32u);
  for (std::size_t i = 0; i < silent.size(); ++i)
    EXPECT_EQ(gotByNow(silent[i]->socket), i < 8 ? "Qs999=version\r\n<closed>" : "Qs999=version\r\n") << i;
  std::this_thread::sleep_for(300ms);
  round();
  EXPECT_EQ(peers.size(), 0u);
  for (auto& peer : silent) EXPECT_EQ(gotByNow(peer->socket), "<closed>");
  EXPECT_EQ(linesWith(log, "RealTraffic link: no answer to the version request within 300 ms, connection closed"), 1u);
  EXPECT_EQ(linesWith(log, "RealTraffic link: more than 32 connections wait for the version answer, the oldest closed"), 1u);
  flushAfterInterval();
  EXPECT_TRUE(testsupport::hasLine(log, "31 more log lines about link peers without an answer held back"));
  EXPECT_TRUE(testsupport::hasLine(log, "7 more log lines about too many waiting link peers held back"));
}

// Connections not taken yet queue at the port a few dozen deep, not thousands.
TEST_F(RealTrafficLink, FewConnectionsQueueAtThePort) {
  std::vector<pollfd> peers;
  const sockaddr_in to{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
  for (int i = 0; i < 64; ++i) {
    peers.push_back({::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0), POLLOUT, 0});
    ::connect(peers.back().fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }
  std::this_thread::sleep_for(200ms);
  ::poll(peers.data(), peers.size(), 0);
  const auto queued = std::count_if(peers.begin(), peers.end(), [](const pollfd& p) {
    int error = -1;
    socklen_t size = sizeof error;
    return (p.revents & POLLOUT) != 0 && ::getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
  });
  for (const pollfd& p : peers) ::close(p.fd);
  EXPECT_GT(queued, 0);
  EXPECT_LE(queued, 40);
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
    for (int i = 0; i < 30; ++i) silent.push_back(std::make_unique<RawClient>(port, ""));
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
  for (auto& peer : silent) EXPECT_EQ(gotByNow(peer->socket).find("Qs121="), std::string::npos);
  lf_closeRealTrafficLink();
  gf_setLinkTimeLimits(defaultLinkTimeLimits);
  realTrafficOnThisPc.store(false);
}

} // namespace
} // namespace gwr
