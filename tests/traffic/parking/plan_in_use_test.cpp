// The plan leaves out a flight that is already shown: by a static aircraft
// (its flight or the same aircraft), by an entry planned earlier in the same
// search, or by a live callsign seen; an empty callsign or registration never
// counts as the same.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/settings_catalogue.h"
#include "traffic/parking/stand_scene.h"
#include "traffic/parking/static_ac.h"
#include "traffic/parking/static_parking_plan.h"

namespace gwr {
namespace {

using testsupport::makeOption;
using testsupport::standAt;

class PlanInUseTest : public testsupport::StandScene {
protected:
  void SetUp() override {
    StandScene::SetUp();
    RANDOM.setCurrent(false);
    MAX_FIT.setCurrent(0);
    CUSTOM_PARKING_PERCENTAGE.setCurrent(100);
    weekTime = (std::uint64_t{20} << 32U) | 3U;  // day 3, slot 20
    parkedEntries.clear();
  }
  void TearDown() override {
    parkedEntries.clear();
    parkedLive.clear();
    weekTime = 0;
    RANDOM.setCurrent(RANDOM.defaultValue());
    MAX_FIT.setCurrent(MAX_FIT.defaultValue());
    CUSTOM_PARKING_PERCENTAGE.setCurrent(CUSTOM_PARKING_PERCENTAGE.defaultValue());
    StandScene::TearDown();
  }
};

struct Flight {
  const char* callsign1;
  const char* callsign2;
  const char* registration;
};

struct Shown {  // a static aircraft standing elsewhere
  const char* pairedCallsign;
  const char* registration;
};

TEST_F(PlanInUseTest, AFlightAlreadyShownIsLeftOutOfThePlan) {
  struct Case {
    const char* what;
    Flight g1, g2;
    std::vector<Shown> statics;
    const char* seenLive;
    std::vector<std::string> planned;
  };
  const std::vector<Case> cases{
      {"nothing shown", {"KLM1", "", "PH-A"}, {"KLM2", "", "PH-B"}, {}, "", {"G1", "G2"}},
      {"a static shows its flight", {"KLM1", "", "PH-A"}, {"KLM2", "", "PH-B"}, {{"KLM2", "PH-X"}}, "", {"G1"}},
      {"a static shows it as second callsign", {"KLM1", "", "PH-A"}, {"KLM2", "KLM9", "PH-B"}, {{"KLM9", ""}}, "",
       {"G1"}},
      {"a static is the same aircraft", {"KLM1", "", "PH-A"}, {"KLM2", "", "PH-B"}, {{"", "PH-B"}}, "", {"G1"}},
      {"planned at G1 in this search", {"KLM2", "", "PH-A"}, {"KLM2", "", "PH-B"}, {}, "", {"G1"}},
      {"same aircraft planned at G1", {"KLM1", "", "PH-B"}, {"KLM2", "", "PH-B"}, {}, "", {"G1"}},
      {"seen live", {"KLM1", "", "PH-A"}, {"KLM2", "", "PH-B"}, {}, "KLM2", {"G1"}},
      {"empty callsigns are not the same", {"", "", "PH-A"}, {"", "", "PH-B"}, {{"", "PH-X"}}, "", {"G1", "G2"}},
      {"empty registrations are not the same", {"KLM1", "", ""}, {"KLM2", "", ""}, {{"", ""}}, "", {"G1", "G2"}},
  };
  for (const Case& c : cases) {
    std::vector<StandRecord> stands;
    for (const auto& [id, flight] : {std::pair{"G1", c.g1}, std::pair{"G2", c.g2}}) {
      stands.push_back(standAt(id, id[1] == '1' ? 0.0 : 100.0, 20.0));
      StandOption o = makeOption(flight.registration, LivKey{1, 0, 1, 0, 1}, 3, {20}, 1);
      o.callsign1 = flight.callsign1;
      o.callsign2 = flight.callsign2;
      stands.back().options.push_back(o);
    }
    useStands(std::move(stands));
    staticAircraft.clear();
    for (const Shown& s : c.statics) {
      AcIdentity identity;
      identity.callsign = "STATIC*";
      identity.registration = s.registration;
      staticAircraft.emplace_back(identity);
      staticAircraft.back().pairedCallsign1 = s.pairedCallsign;
    }
    if (*c.seenLive != '\0') gf_noteLiveCallsign(c.seenLive);
    gf_planStaticsAtRead();
    std::vector<std::string> planned;
    for (const ParkedEntry& e : parkedEntries) planned.push_back(gf_standName(e.standNumber));
    std::sort(planned.begin(), planned.end());
    EXPECT_EQ(planned, c.planned) << c.what;
    gf_planStaticsAtRead();  // the seen callsigns are used up
  }
}

} // namespace
} // namespace gwr
