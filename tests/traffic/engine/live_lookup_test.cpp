// Finding live aircraft by hexid and object id through the kept slots, and the
// slow-pass line of the tick loop with its once-per-interval limit.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "traffic/engine/live_ac.h"
#include "traffic/engine/live_slots.h"
#include "traffic/engine/pass_watch.h"

namespace gwr {
namespace {

LiveAc aircraft(const std::string& callsign, std::uint32_t hexid, std::uint32_t objectId) {
  AcIdentity identity;
  identity.callsign = callsign;
  AcDescription d(identity);
  d.hexId = hexid;
  LiveAc ac(d, PositionSample{}, 0.0);
  ac.sim.objectId = objectId;
  return ac;
}

std::string found(const LiveAc* ac) { return ac == nullptr ? "-" : ac->callsign; }

// Each step changes the live vector the way the engine or any other code
// may; after it, every probed key must give the record a walk would give.
TEST(LiveLookup, FindsWhatAWalkFindsAfterEveryChangeOfTheVector) {
  struct Step {
    const char* what;
    void (*change)(std::vector<LiveAc>&);
    std::vector<std::pair<std::uint32_t, const char*>> byHexid, byObject;
  };
  const std::vector<Step> steps{
      {"three aircraft, C not created yet",
       [](std::vector<LiveAc>& v) {
         v.push_back(aircraft("A", 20001, 101));
         v.push_back(aircraft("B", 20002, 102));
         v.push_back(aircraft("C", 20003, 0));
       },
       {{20001, "A"}, {20002, "B"}, {20003, "C"}, {29999, "-"}},
       {{101, "A"}, {102, "B"}, {0, "-"}, {103, "-"}}},
      {"A erased: the last one takes its place",
       [](std::vector<LiveAc>& v) { gf_eraseLiveAc(v, 0); },
       {{20001, "-"}, {20003, "C"}, {20002, "B"}},
       {{101, "-"}, {102, "B"}}},
      {"C created", [](std::vector<LiveAc>& v) { v[0].sim.objectId = 103; }, {{20003, "C"}}, {{103, "C"}, {102, "B"}}},
      {"D appended", [](std::vector<LiveAc>& v) { v.push_back(aircraft("D", 20004, 104)); },
       {{20004, "D"}, {20002, "B"}}, {{104, "D"}}},
      {"B back to its buffer", [](std::vector<LiveAc>& v) { v[1].backToBuffer(); }, {{20002, "B"}},
       {{102, "-"}, {104, "D"}, {103, "C"}}},
      {"C erased keeping the order",
       [](std::vector<LiveAc>& v) { std::erase_if(v, [](const LiveAc& a) { return a.callsign == "C"; }); },
       {{20003, "-"}, {20002, "B"}, {20004, "D"}}, {{103, "-"}, {104, "D"}}},
      {"all gone", [](std::vector<LiveAc>& v) { v.clear(); }, {{20002, "-"}, {20004, "-"}}, {{104, "-"}}},
  };
  std::vector<LiveAc> live;
  live.reserve(8);
  LiveSlots byHexid([](const LiveAc& a) { return a.hexId; });
  LiveSlots byObject([](const LiveAc& a) { return a.sim.objectId; });
  for (const Step& step : steps) {
    step.change(live);
    for (const auto& [key, expected] : step.byHexid)
      EXPECT_EQ(found(byHexid.find(live, key)), expected) << step.what << ", hexid " << key;
    for (const auto& [key, expected] : step.byObject) {
      if (key == 0) continue;  // object id 0 is answered by the engine before the slots
      EXPECT_EQ(found(byObject.find(live, key)), expected) << step.what << ", object " << key;
    }
  }
}

TEST(LiveLookup, KnownKeysAreFoundWithoutAnotherWalk) {
  std::vector<LiveAc> live;
  for (std::uint32_t i = 0; i < 300; ++i) live.push_back(aircraft("X" + std::to_string(i), 30000 + i, 500 + i));
  LiveSlots byHexid([](const LiveAc& a) { return a.hexId; });
  ASSERT_EQ(found(byHexid.find(live, 30000)), "X0");
  const std::size_t walks = byHexid.walks();
  for (std::uint32_t round = 0; round < 3; ++round)
    for (std::uint32_t i = 0; i < 300; ++i) ASSERT_EQ(found(byHexid.find(live, 30000 + i)), "X" + std::to_string(i));
  EXPECT_EQ(byHexid.walks(), walks);
  EXPECT_EQ(byHexid.find(live, 1), nullptr);  // a key that is not there costs one walk, as before
  EXPECT_EQ(byHexid.walks(), walks + 1);
}

// At most one line every 10 s; the passes held back in between are counted
// in the next line. Steps under 0.1 ms are not named.
TEST(SlowPassLine, OneLinePerIntervalNamingTheSlowStepsAndTheHeldBackPasses) {
  using namespace std::chrono_literals;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point t0{};
  PassWatch watch;
  watch.begin(t0);
  watch.lap(PassStep::feedback, t0 + 50us);
  watch.lap(PassStep::update, t0 + 12050us);
  watch.lap(PassStep::records, t0 + 12100us);
  watch.lap(PassStep::everySecond, t0 + 14600us);
  const SlowPass pass{14600us, 3400, 463};
  struct Case {
    Clock::duration at;
    std::optional<std::string> line;
  };
  const std::string text = "slow pass: 14.6 ms at tick 3400, 463 live; update 12.0 ms, per-second 2.5 ms";
  const std::vector<Case> cases{
      {0s, text},
      {3s, std::nullopt},
      {9999ms, std::nullopt},
      {10s, text + ", 2 more slow passes since the last line"},
      {15s, std::nullopt},
      {20s, text + ", 1 more slow pass since the last line"},
      {45s, text},
  };
  SlowPassLog log;
  for (const Case& c : cases) EXPECT_EQ(log.take(watch, pass, t0 + c.at), c.line) << (c.at / 1ms) << " ms";
}

} // namespace
} // namespace gwr
