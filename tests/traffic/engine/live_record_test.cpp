// The live aircraft record, the minute status file and the AI flight plans:
// defaults, log names, erasing, the file formats and failed writes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <future>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "core/paths.h"
#include "core/text_files.h"
#include "refdata/code_pools.h"
#include "support/as_unprivileged.h"
#include "support/encrypted_fixture.h"
#include "support/livery_world.h"
#include "support/log_capture.h"
#include "traffic/engine/live_ac.h"
#include "traffic/engine/live_removal.h"
#include "traffic/engine/sample_queue.h"
#include "traffic/engine/status_files.h"

namespace gwr {
namespace {

AcDescription description(const std::string& airline, const std::string& model, const std::string& callsign,
                          const std::string& origin = "", const std::string& destination = "") {
  AcIdentity identity;
  identity.key = LivKey{gf_airlineIndex(airline), 0, gf_modelIndex(model), 0, 0};
  identity.callsign = callsign;
  identity.registration = "D-AIZZ";
  if (!origin.empty()) identity.origin = FixedCode<3>(origin);
  if (!destination.empty()) identity.destination = FixedCode<3>(destination);
  AcDescription d(identity);
  d.hexId = 4837645;
  return d;
}

std::string readAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(LiveAcRecord, StartsInBufferAtBirthWithNothingSent) {
  PositionSample first;
  first.lat = 50.0;
  const LiveAc ac(description("DLH", "A320", "DLH123"), first, 1718000000.0);
  EXPECT_EQ(std::tuple(ac.sim.throttleIndex, ac.sim.flapsIndex, ac.phase, ac.previousPhase, ac.sim.simState),
            std::tuple(5u, 4u, AcPhase::Birth, AcPhase::Birth, AcSimState::Buffer));
  EXPECT_EQ(std::tuple(ac.smoothingEarlier, ac.smoothingLater, ac.rotationSteps, ac.heightAboveGround),
            std::tuple(1000, 1000, 1, 2500.0));
  EXPECT_EQ(std::tuple(ac.lastSampleTime, ac.samples.size(), ac.sim.objectId, ac.sim.hexid, ac.curve[0]),
            std::tuple(1718000000.0, std::size_t{1}, 0u, 4837645u, 0.0));
  for (int i : {2, 5, 6, 7}) EXPECT_TRUE(std::isnan(ac.curve[i])) << i;
}

TEST(LiveAcRecord, PhaseChangeKeepsThePreviousOneAndEraseMovesTheLast) {
  LiveAc ac(description("DLH", "A320", "DLH1"), {}, 0.0);
  for (const auto& [phase, previous] : {std::pair{AcPhase::Flying, AcPhase::Birth}, {AcPhase::Flying, AcPhase::Birth},
                                        {AcPhase::Taxi, AcPhase::Flying}}) {
    ac.setPhase(phase);
    EXPECT_EQ(ac.previousPhase, previous);
  }

  std::vector<LiveAc> live;
  for (const char* cs : {"A1", "B2", "C3"}) live.emplace_back(description("DLH", "A320", cs), PositionSample{}, 0.0);
  gf_eraseLiveAc(live, 0);
  ASSERT_EQ(live.size(), 2u);
  EXPECT_EQ(live[0].callsign, "C3");
  gf_eraseLiveAc(live, 1);  // the last: nothing moves
  ASSERT_EQ(live.size(), 1u);
  EXPECT_EQ(live[0].callsign, "C3");
}

// A queue of eight wrapped round its ring: 5..12 with the front at its fifth slot.
SampleQueue<int> wrappedFull() {
  SampleQueue<int> q;
  for (int v = 1; v <= 6; ++v) q.push_back(v);
  for (int k = 0; k < 4; ++k) q.pop_front();
  for (int v = 7; v <= 12; ++v) q.push_back(v);
  return q;
}

std::vector<int> contents(const SampleQueue<int>& q) {
  std::vector<int> byIndex;
  for (std::size_t i = 0; i < q.size(); ++i) byIndex.push_back(q[i]);
  EXPECT_EQ(std::vector<int>(q.begin(), q.end()), byIndex);
  if (!q.empty()) {
    EXPECT_EQ(std::pair(q.front(), q.back()), std::pair(byIndex.front(), byIndex.back()));
  }
  return byIndex;
}

TEST(LiveAcRecord, ReportQueueAtItsBoundaries) {
  using Q = SampleQueue<int>;
  const struct Row {
    const char* what;
    std::function<void(Q&)> apply;  // on a wrapped full queue of 5..12
    std::vector<int> expected;
  } rows[] = {
      {"wrapped round", [](Q&) {}, {5, 6, 7, 8, 9, 10, 11, 12}},
      {"grows while wrapped", [](Q& q) { q.push_back(13); }, {5, 6, 7, 8, 9, 10, 11, 12, 13}},
      {"grows at the front", [](Q& q) { q.push_front(4); }, {4, 5, 6, 7, 8, 9, 10, 11, 12}},
      {"its own front pushed as it grows", [](Q& q) { q.push_back(q.front()); }, {5, 6, 7, 8, 9, 10, 11, 12, 5}},
      {"erase the front", [](Q& q) { q.erase(q.begin()); }, {6, 7, 8, 9, 10, 11, 12}},
      {"erase next to the front", [](Q& q) { q.erase(q.begin() + 1); }, {5, 7, 8, 9, 10, 11, 12}},
      {"erase next to the back", [](Q& q) { q.erase(q.begin() + 6); }, {5, 6, 7, 8, 9, 10, 12}},
      {"erase the back", [](Q& q) { q.erase(q.end() - 1); }, {5, 6, 7, 8, 9, 10, 11}},
      {"erase the front three", [](Q& q) { q.erase(q.begin(), q.begin() + 3); }, {8, 9, 10, 11, 12}},
      {"erase all but two", [](Q& q) { q.erase(q.begin() + 2, q.end()); }, {5, 6}},
      {"erase across the ring's end", [](Q& q) { q.erase(q.begin() + 2, q.begin() + 5); }, {5, 6, 10, 11, 12}},
      {"erase nothing", [](Q& q) { q.erase(q.begin() + 3, q.begin() + 3); }, {5, 6, 7, 8, 9, 10, 11, 12}},
      {"insert next to the front, full", [](Q& q) { q.insert(q.begin() + 1, 0); }, {5, 0, 6, 7, 8, 9, 10, 11, 12}},
      {"insert next to the back", [](Q& q) { q.pop_back(); q.insert(q.end() - 1, 0); }, {5, 6, 7, 8, 9, 10, 0, 11}},
      {"insert at the end", [](Q& q) { q.insert(q.end(), 0); }, {5, 6, 7, 8, 9, 10, 11, 12, 0}},
      {"insert its own element", [](Q& q) { q.insert(q.begin(), q.back()); }, {12, 5, 6, 7, 8, 9, 10, 11, 12}},
      {"cut to one, then two", [](Q& q) { q.resize(1); q.resize(2); }, {5, 0}},
      {"pop both ends", [](Q& q) { q.pop_front(); q.pop_back(); }, {6, 7, 8, 9, 10, 11}},
      {"cleared, then one", [](Q& q) { q.clear(); q.push_front(1); }, {1}},
      {"assigned over", [](Q& q) { q.assign(2, 3); }, {3, 3}},
      {"assigned a list", [](Q& q) { q.assign({1, 2, 3}); }, {1, 2, 3}},
      {"grows into a ring another queue handed back",
       [](Q& q) {
         Q other = wrappedFull();
         other.push_back(0);  // grown: its first ring is handed back
         other = Q{};         // and its grown one
         for (int v = 13; v <= 17; ++v) q.push_back(v);
       },
       {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}},
  };
  for (const Row& row : rows) {
    Q q = wrappedFull();
    row.apply(q);
    EXPECT_EQ(contents(q), row.expected) << row.what;
  }

  // Moved, the source is left empty and usable; copied, the two are apart.
  Q from = wrappedFull();
  Q to = std::move(from);
  EXPECT_TRUE(from.empty());
  from.push_back(1);
  EXPECT_EQ(contents(from), std::vector<int>{1});
  Q copy = to;
  copy.front() = 0;
  to = std::move(copy);
  EXPECT_EQ(contents(to), (std::vector<int>{0, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_TRUE(copy.empty());
  const Q empty;
  EXPECT_TRUE(empty.begin() == empty.end() && Q(empty).empty());
}

class StatusFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    SimEdition.store(true);
    testsupport::WorldDbase d;
    std::tie(d.models, d.large, d.heavy, d.buzjet, d.highPerf, d.rotorcraft, d.airlines) =
        std::tuple("A320,B738,B772,C172,C25C,EC35,F16", "A320,B738", "B772", "C25C", "F16", "EC35", "DLH,BAW,KLM");
    world.load(d, {});
  }
  void TearDown() override {
    SimEdition.store(true);
    flightPlanFolder.clear();
  }
  testsupport::LiveryWorld world;
  testsupport::LogCapture& log = world.log();
};

TEST_F(StatusFiles, StatusLinesOfActiveAircraftOnly) {
  std::vector<LiveAc> live;
  live.emplace_back(description("DLH", "A320", "DLH123"), PositionSample{}, 0.0);
  live.emplace_back(description("BAW", "B772", "BAW9"), PositionSample{}, 0.0);
  live.emplace_back(description("KLM", "B738", "KLM7"), PositionSample{}, 0.0);
  std::tie(live[0].sim.simState, live[0].sim.objectId, live[0].onGroundConfirmed, live[0].phase) =
      std::tuple(AcSimState::Active, 300u, 1, AcPhase::Parked);
  std::tie(live[1].sim.simState, live[1].sim.objectId, live[1].phase) = std::tuple(AcSimState::Active, 301u, AcPhase::Flying);
  live[2].sim.simState = AcSimState::Adding2Sim;
  const auto file = log.folder() / "ObjectIdList.txt";
  ASSERT_TRUE(lf_writeStatusFile(live, file));
  EXPECT_EQ(readAll(file), "300;DLH123;D-AIZZ;DLH;A320;GND;PARKED\n301;BAW9;D-AIZZ;BAW;B772;AIR;\n");
  SimEdition.store(false);  // the 2024 simulator names objects in hexadecimal
  EXPECT_EQ(gf_statusLine(live[1]), "12d;BAW9;D-AIZZ;BAW;B772;AIR;");

  live.clear();
  ASSERT_TRUE(lf_writeStatusFile(live, file));
  EXPECT_EQ(readAll(file), "");
  EXPECT_FALSE(lf_writeStatusFile(live, log.folder() / "missing" / "ObjectIdList.txt"));
  EXPECT_NE(log.text().find("==> Failed to write "), std::string::npos);
}

TEST_F(StatusFiles, FlightPlanFormatByCategory) {
  ASSERT_TRUE(gf_createFlightPlanFolder(log.folder()));
  EXPECT_EQ(gf_flightPlanPath(301), log.folder() / "orig_dest" / "301.pln");
  const auto file = gf_flightPlanPath(301);
  ASSERT_TRUE(gf_writeFlightPlan(file, description("BAW", "B772", "BAW9", "LHR", "")));
  EXPECT_EQ(readAll(file),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<SimBase.Document Type=\"AceXML\" version=\"4,3\">\n"
            "<FlightPlan.FlightPlan>\n"
            "<FPType>IFR</FPType>\n"
            "<DepartureID>LHR</DepartureID>\n"
            "<DestinationID>   </DestinationID>\n"
            "</FlightPlan.FlightPlan>\n"
            "</SimBase.Document>\n"
            "\n");
  const std::pair<const char*, const char*> types[] = {
      {"C172", "VFR"}, {"C25C", "IFR"}, {"A320", "IFR"}, {"B772", "IFR"}, {"F16", "VFR"}, {"EC35", "VFR"}};
  for (const auto& [model, type] : types) {
    const std::string text = gf_flightPlanText(description("DLH", model, "X1", "FRA", "MUC"));
    EXPECT_NE(text.find(std::string("<FPType>") + type + "</FPType>"), std::string::npos) << model;
  }
}

// A plan that cannot be written is no plan; a named pipe at its name never
// holds the traffic thread, and another user's link (on a run as root) never
// leads it into a file that user does not own.
TEST_F(StatusFiles, FailedFlightPlanWriteIsReported) {
  const std::filesystem::path plans = log.folder() / "orig_dest";
  std::filesystem::create_directories(plans);
  const std::filesystem::path roots = log.folder() / "roots.txt";
  testsupport::writeBytes(roots, "private");
  const struct Row {
    const char* what;
    std::filesystem::path file;
    std::function<bool()> plant;  // false: the row cannot be made here
    std::string logged;
  } rows[] = {
      {"no folder", log.folder() / "no-such-folder" / "1.pln", [] { return true; }, ""},
      // Nothing can be written there: refused as a device, not written and lost.
      {"a device", "/dev/full", [] { return std::filesystem::exists("/dev/full"); },
       "/dev/full not written: it is a device, not a regular file"},
      {"a named pipe", plans / "2.pln", [&] { return ::mkfifo((plans / "2.pln").c_str(), 0600) == 0; },
       (plans / "2.pln").string() + " not written: it is a named pipe, not a regular file"},
      {"another user's link to root's file", plans / "3.pln",
       [&] {
         std::filesystem::create_symlink(roots, plans / "3.pln");
         return ::geteuid() == 0 && ::lchown((plans / "3.pln").c_str(), testsupport::nobodyUserId, 0) == 0;
       },
       (plans / "3.pln").string() + " not written: its link leads to another user's file"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    if (!row.plant()) continue;
    log.mark();
    auto written =
        std::async(std::launch::async, [&] { return gf_writeFlightPlan(row.file, description("DLH", "A320", "X1")); });
    if (written.wait_for(std::chrono::seconds(2)) != std::future_status::ready) {
      ADD_FAILURE() << "the plan's open waited";
      const int reader = ::open(row.file.c_str(), O_RDONLY | O_NONBLOCK);
      written.wait();
      if (reader >= 0) ::close(reader);
      continue;
    }
    EXPECT_FALSE(written.get());
    if (!row.logged.empty()) {
      EXPECT_NE(log.text().find(row.logged), std::string::npos) << log.text();
    }
  }
  EXPECT_EQ(testsupport::readBytes(roots), "private");
}

TEST(EngineLog, ParkingOverStaticLineIsUtf8) {
  const std::string line = gf_parksOverStaticLine("A12", "DLH123", "BAW9");
  EXPECT_EQ(line, "A12     : DLH123   parks over static BAW9 \xE2\x80\x94 static will be removed");
  EXPECT_TRUE(gf_isValidUtf8(line));
}

} // namespace
} // namespace gwr
