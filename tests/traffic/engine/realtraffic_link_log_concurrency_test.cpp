// What the RealTraffic link writes to its log while peers churn: a line of each
// kind at most, then counted, summed up when the interval passes or the link closes.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <future>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "support/engine_harness.h"
#include "traffic/engine/link_log.h"
#include "traffic/engine/link_peers.h"
#include "traffic/engine/realtraffic_link.h"
#include "traffic/engine/realtraffic_link_fixture.h"
#include "traffic/feed/feed_log.h"

namespace gwr {
namespace {

using namespace linktest;

// The link log's clock moves on by the interval, and the held-back lines are summed up.
void flushAfterInterval() {
  gf_setLinkLogClock([] { return Steady::now() + feedLogInterval; });
  gf_flushLinkLog();
}

// What a churn of peers did to the log, and the longest any of them stayed
// open (from before its connect to after its close: never less than the link
// could see it open).
struct Churn {
  double logBytesPerSecond = 0.0;
  std::vector<std::size_t> linesOfKind;
  Steady::duration longestOpen{};
};

// Peers connect and close at once (sending `answer` first) while `step` runs,
// for half a second and until two of them were connected.
Churn churnFor(std::uint16_t port, const std::string& answer, const testsupport::LogCapture& log,
               const std::function<void()>& step, std::initializer_list<const char*> kinds) {
  std::atomic<bool> stop{false};
  std::atomic<int> connected{0};
  Steady::duration longest{};
  std::thread churn([&] {
    while (!stop.load()) {  // a connection the full queue drops is given up at once
      const auto begun = Steady::now();
      const int peer = connectionBegun(port);
      if (connectedWithin(peer, 20)) {
        ::send(peer, answer.data(), answer.size(), MSG_NOSIGNAL);
        ++connected;
      }
      ::close(peer);
      longest = std::max(longest, Steady::now() - begun);
    }
  });
  const auto start = Steady::now();
  const std::size_t before = log.text().size();
  while ((Steady::now() - start < 500ms || connected.load() < 2) && Steady::now() - start < 10s) step();
  Churn result;
  result.logBytesPerSecond = static_cast<double>(log.text().size() - before) /
                             std::chrono::duration<double>(Steady::now() - start).count();
  stop.store(true);
  churn.join();
  result.longestOpen = longest;
  for (const std::string kind : kinds) result.linesOfKind.push_back(linesWith(log, kind));
  return result;
}

// The log grew slowly and has each kind of line once at most.
void expectLittleLog(const Churn& churn, const std::string& answer, std::initializer_list<const char*> kinds) {
  EXPECT_LT(churn.logBytesPerSecond, 2000.0) << answer;
  auto lines = churn.linesOfKind.begin();
  for (const std::string kind : kinds) EXPECT_LE(*lines++, 1u) << kind;
}

// Connect-and-close churn while the program waits for RealTraffic, and
// (answering first) while the loop looks for it coming back: each kind of
// line once, then counted; a peer that closed is not called silent.
// RealTraffic is taken in a round after every churned peer was looked at, so
// the lines held back are all counted when the interval has passed.
TEST_F(RealTrafficLink, ConnectAndCloseChurnWritesLittleLog) {
  gf_setLinkTimeLimits({200ms, 200ms});  // a closed peer taken for silent would show within the churn
  // A peer of ours that a busy machine held open for half the handshake time
  // may truly have been silent: such a try shows nothing and is made again.
  constexpr auto heldOpen = 100ms;
  constexpr int tries = 5;
  const std::initializer_list<const char*> whileWaiting{"RealTraffic link: connection closed by the peer", "receive: ",
                                                        "sendDataPacket"};
  Churn churn;
  for (int attempt = 1;; ++attempt) {
    auto waiting = std::async(std::launch::async, [] { lf_connectRealTraffic(); });
    churn = churnFor(port, "", log, [] { std::this_thread::sleep_for(10ms); }, whileWaiting);
    const bool silentOfOurs = churn.longestOpen >= heldOpen;
    if (!silentOfOurs) {
      EXPECT_EQ(log.text().find("no answer to the version request"), std::string::npos);
    }
    auto feeder = std::make_unique<FeederLink>(port);
    ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
    if (silentOfOurs && attempt < tries) {
      feeder.reset();
      lf_closeRealTrafficLink();
      gf_resetLinkLog();
      lf_listenForRealTraffic("0");
      port = gf_realTrafficPort();
      log.mark();
      continue;
    }
    EXPECT_LT(churn.longestOpen, heldOpen) << "a peer of ours was held open in each of " << tries << " tries";
    expectLittleLog(churn, "", whileWaiting);
    flushAfterInterval();
    EXPECT_NE(log.text().find(" more log lines about link peers that closed first held back"), std::string::npos);

    gf_setLinkLogClock(nullptr);
    gf_resetLinkLog();
    trafficEngine.user = exampleUser();
    feeder.reset();
    break;
  }
  log.mark();
  const std::initializer_list<const char*> whileComingBack{"RealTraffic re-connected", "RealTraffic gone?",
                                                           "sendDataPacket", "client socket closed"};
  churn = churnFor(port, "RealTraffic\r\n", log, [] { lf_sendUserPosition(); std::this_thread::sleep_for(5ms); },
                   whileComingBack);
  expectLittleLog(churn, "RealTraffic\r\n", whileComingBack);
}

// Peers that reset (before they were asked or after) closed first: they are
// not failed sends of RealTraffic, whose own line they would hold back. Of
// forty silent ones a round asks the new and never waits, past 32 the oldest
// go, and one handshake time after they came all are closed.
TEST_F(RealTrafficLink, WaitingPeersCostOneHandshakeTimeAndALineOfEachKind) {
  platform::TcpListener listener;
  ASSERT_EQ(listener.listenSteps(platform::Ipv4Address::loopback(), 0, 64, false).error, 0);
  WaitingPeers peers;
  const auto round = [&] {
    const auto start = Steady::now();
    EXPECT_FALSE(peers.round(listener, 200ms, false).valid());
    EXPECT_LT(Steady::now() - start, 50ms);
  };
  for (int i = 0; i < 3; ++i) RawClient(listener.localPort(), "").resetOnClose();
  std::this_thread::sleep_for(50ms);
  round();
  EXPECT_EQ(std::tuple(linesWith(log, "closed by the peer before it answered"), linesWith(log, "sendDataPacket")),
            std::tuple(1u, 0u));
  auto silent = silentPeers(listener.localPort(), 40);
  round();
  round();
  EXPECT_EQ(peers.size(), 32u);
  for (std::size_t i = 0; i < silent.size(); ++i)
    EXPECT_EQ(silent[i]->received(0ms), i < 8 ? "Qs999=version\r\n<closed>" : "Qs999=version\r\n") << i;
  for (int i = 0; i < 2; ++i, silent.pop_back()) silent.back()->resetOnClose();  // asked, then gone: closed first
  std::this_thread::sleep_for(200ms);
  round();
  EXPECT_EQ(peers.size(), 0u);
  for (auto& peer : silent) EXPECT_EQ(peer->received(0ms), "<closed>");
  EXPECT_EQ(linesWith(log, "RealTraffic link: no answer to the version request within 200 ms, connection closed"), 1u);
  EXPECT_EQ(linesWith(log, "RealTraffic link: more than 32 connections wait for the version answer, the oldest closed"), 1u);
  flushAfterInterval();
  for (const std::string summary : {"4 more log lines about link peers that closed first held back",
                                    "29 more log lines about link peers without an answer held back",
                                    "7 more log lines about too many waiting link peers held back"})
    EXPECT_TRUE(testsupport::hasLine(log, summary)) << summary;
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

// Two peers answer and one is silent, and the window closes the link while
// the round hands out the first: the closed link takes no client, the peers
// passed over are closed with a line (counted). The close sums up what was
// held back (a second close adds nothing); the next run counts afresh.
TEST_F(RealTrafficLink, AClosedLinkTakesNoClientAndClosingSumsUpHeldBackLines) {
  for (int i = 0; i < 3; ++i) gf_logLink(LinkLogKind::gone, "gone line");
  RawClient first(port, "RealTraffic\r\n"), second(port, "RealTraffic\r\n"), silent(port, "");
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(lf_acceptRealTraffic());  // all three asked
  closeAtNextLine.store(true);
  gf_setLinkLogClock(closeMidRound);
  EXPECT_FALSE(lf_acceptRealTraffic());
  ASSERT_TRUE(closing.valid());
  closing.wait();
  lf_closeRealTrafficLink();
  EXPECT_FALSE(realTrafficConnected.load());
  EXPECT_EQ(first.received(), "Qs999=version\r\n<closed>");
  EXPECT_EQ(linesWith(log, "RealTraffic link: connection closed, another connection answered the version request first"), 1u);
  EXPECT_TRUE(testsupport::hasLine(log, "1 more log line about link peers passed over held back"));
  EXPECT_EQ(linesWith(log, "2 more log lines about lost links held back"), 1u);
  lf_listenForRealTraffic("0");
  gf_logLink(LinkLogKind::gone, "next run's line");
  EXPECT_EQ(linesWith(log, "next run's line"), 1u);
}

} // namespace
} // namespace gwr
