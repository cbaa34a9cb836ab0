// The facility data reader against the emulated simulator: stand ids and
// positions, helipad radii, refusals, and an answer that never ends.
#include "airports/facility_reader.h"

#include <cstring>
#include <memory>
#include <tuple>

#include <gtest/gtest.h>

#include "core/geo.h"
#include "scan_fixture.h"

namespace gwr {
namespace {

using namespace testsupport;
using simemu::Emulator;

class FacilityReaderTest : public ScanSandbox {
protected:
  static void worldOf(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> problems;
    Emulator::instance().reset(simemu::gf_parseWorld(in, problems));
    ASSERT_TRUE(problems.empty());
  }
};

TEST_F(FacilityReaderTest, StandsAndHelipadsGetTheirIds) {
  std::string world = "airport LOWI 47.26 11.344 1907.9 Innsbruck Kranebitten Tirol Austria Airport\n";
  for (int k = 0; k < 29; ++k) world += "parking 4 5 90 20 0 0\n";
  world += "parking 0 6 90 20 10 10\nparking 13 7 90 20 10 10\nparking 1 12 180 9 -100 -200\n";
  world += "helipad 47.2612 11.347 581 45 20 20 2\nhelipad 47.2613 11.348 581 0 20 20 1\n";
  worldOf(world);
  ApfData apf;
  apf.publisher = "kept";
  std::uint32_t helipads = 0;
  ASSERT_TRUE(gf_readAirportStands("LOWI", apf, helipads));
  EXPECT_EQ(helipads, 2U);
  EXPECT_EQ(apf.icao.view(), "LOWI");
  EXPECT_EQ(apf.airport_name, "Innsbruck Kranebitten Tirol Aus");  // the emulator ends it within 32
  EXPECT_EQ(apf.altitude, 1907);
  EXPECT_TRUE(apf.Facilities);
  EXPECT_EQ(apf.publisher, "kept");
  ASSERT_EQ(apf.stands.size(), 32U);
  EXPECT_EQ(apf.stands[0].id, "5");
  EXPECT_EQ(apf.stands[1].id, "5a");
  EXPECT_EQ(apf.stands[2].id, "5b");
  EXPECT_EQ(apf.stands[27].id, "5aa");
  // Both biases 0: exactly the reference point.
  EXPECT_DOUBLE_EQ(apf.stands[0].latitude, 47.26);
  EXPECT_DOUBLE_EQ(apf.stands[0].longitude, 11.344);
  const StandRecord& moved = apf.stands[29];
  EXPECT_EQ(moved.id, "12");
  EXPECT_EQ(moved.type, 1);
  EXPECT_NEAR(gf_greatCircleDistanceNm({47.26, 11.344}, {moved.latitude, moved.longitude}) * 1852.0,
              std::hypot(100.0, 200.0), 1.0);
  EXPECT_LT(moved.latitude, 47.26);
  EXPECT_LT(moved.longitude, 11.344);
  EXPECT_NEAR(moved.heading, 180.0 * radiansPerDegree, 1e-6);
  EXPECT_EQ(apf.stands[30].id, "helipad1");
  EXPECT_NEAR(apf.stands[30].heading, 45.0 * radiansPerDegree, 1e-6);
  EXPECT_NEAR(apf.stands[30].radius * 1852.0, 14.0, 1e-4);  // square: 0.7 of the width
  EXPECT_NEAR(apf.stands[31].radius * 1852.0, 10.0, 1e-4);
  EXPECT_EQ(apf.stands[31].heli, 1);
  EXPECT_TRUE(gf_isFacilityReaderOpen());

  // The simulator fills the blocks in the order of the definition's fields.
  const std::vector<std::string> fields{
      "OPEN AIRPORT", "LATITUDE", "LONGITUDE", "ALTITUDE", "NAME", "N_HELIPADS", "N_TAXI_PARKINGS",
      "OPEN TAXI_PARKING", "TYPE", "TAXI_POINT_TYPE", "NAME", "SUFFIX", "NUMBER", "ORIENTATION", "HEADING",
      "RADIUS", "BIAS_X", "BIAS_Z", "CLOSE TAXI_PARKING", "OPEN HELIPAD", "LATITUDE", "LONGITUDE", "ALTITUDE",
      "HEADING", "LENGTH", "WIDTH", "SURFACE", "TYPE", "CLOSE HELIPAD", "CLOSE AIRPORT"};
  std::vector<std::string> defined;
  std::vector<std::tuple<std::uint32_t, std::uint32_t, std::string>> requests;  // request, definition, code
  for (const simemu::CallRecord& call : Emulator::instance().calls()) {
    if (call.client != "PARKING_DATA_RDR") continue;
    if (call.function == "AddToFacilityDefinition" && call.id == 1001) defined.push_back(call.text);
    if (call.function == "RequestFacilityData") requests.emplace_back(call.id, call.data, call.text);
  }
  EXPECT_EQ(defined, fields);
  EXPECT_EQ(requests, (decltype(requests){{2001, 1001, "LOWI"}}));
}

TEST_F(FacilityReaderTest, TheNameMayFillAllItsCharacters) {
  const std::string full = "Innsbruck Kranebitten Tirol Aust";
  const auto field = std::make_unique<char[]>(32);  // exactly the field: reading past it is caught
  std::memcpy(field.get(), full.data(), 32);
  EXPECT_EQ(gf_facilityNameText(field.get()), full);
  field[9] = '\0';
  EXPECT_EQ(gf_facilityNameText(field.get()), "Innsbruck");
}

TEST_F(FacilityReaderTest, RepeatSuffixesCountInLetters) {
  const std::pair<std::uint32_t, const char*> rows[] = {
      {1, "a"}, {2, "b"}, {26, "z"}, {27, "aa"}, {28, "ab"}, {52, "az"}, {53, "ba"}, {702, "zz"}, {703, "aaa"}};
  for (const auto& [repeat, text] : rows) EXPECT_EQ(gf_repeatSuffix(repeat), text) << repeat;
}

TEST_F(FacilityReaderTest, AnAirportWithoutStandsIsAnAnswer) {
  worldOf("airport EDDF 50.03 8.57 364 Frankfurt\nparking 0 1 0 20 0 0\nparking 13 2 0 20 0 0\n");
  ApfData apf;
  std::uint32_t helipads = 9;
  EXPECT_TRUE(gf_readAirportStands("EDDF", apf, helipads));
  EXPECT_TRUE(apf.stands.empty());
  EXPECT_EQ(helipads, 0U);
  EXPECT_TRUE(logHas("Fac: EDDF has no stands"));
}

// An airport record whose position or elevation cannot be true is no
// answer: its stands would be placed from it and the elevation cast to whole feet.
TEST_F(FacilityReaderTest, AnImpossibleAirportRecordIsRefused) {
  const char* const worlds[] = {
      "airport EDDF 50.03 8.57 1e12 Frankfurt\nparking 4 1 0 20 0 0\n",
      "airport EDDF 50.03 8.57 -1e12 Frankfurt\nparking 4 1 0 20 0 0\n",
      "airport EDDF 91 8.57 364 Frankfurt\nparking 4 1 0 20 0 0\n",
      "airport EDDF 50.03 -181 364 Frankfurt\nparking 4 1 0 20 0 0\n",
  };
  for (const char* world : worlds) {
    SCOPED_TRACE(world);
    worldOf(world);
    ApfData apf;
    std::uint32_t helipads = 0;
    EXPECT_FALSE(gf_readAirportStands("EDDF", apf, helipads));
    EXPECT_TRUE(logHas("==> Fac: EDDF airport record with impossible values"));
    EXPECT_TRUE(apf.stands.empty());
    EXPECT_FALSE(gf_isFacilityReaderOpen());
  }
}

// Every failure is logged and closes the connection; the next airport opens a
// fresh one.
TEST_F(FacilityReaderTest, FailuresAreReportedAndCloseTheConnection) {
  worldOf("airport EDDF 50.03 8.57 364 Frankfurt\nparking 4 1 0 20 0 0\n");
  const struct {
    const char* code;
    void (*provoke)();
    std::string line;
  } cases[] = {
      {"EDDF", [] { Emulator::instance().failNextOpens(1); }, "==> SimConnect_Open (PARKING_DATA_RDR) FAILED hr=0x"},
      {"EDDF", [] { Emulator::instance().failNextCalls("RequestFacilityData"); },
       "==> RequestFacilityData failed for EDDF"},
      {"EDDF", [] { Emulator::instance().setOmitFacilityEnd(true); },
       fmt::format("==> Facility data for EDDF did not end: no answer within {} passes, given up", quietPasses)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    c.provoke();
    ApfData apf;
    std::uint32_t helipads = 0;
    EXPECT_FALSE(gf_readAirportStands(c.code, apf, helipads));
    EXPECT_TRUE(logHas(c.line));
    EXPECT_TRUE(apf.stands.empty());
    EXPECT_FALSE(gf_isFacilityReaderOpen());
    EXPECT_FALSE(Emulator::instance().isConnected(std::string(facilityClientName)));
    Emulator::instance().setOmitFacilityEnd(false);
    EXPECT_TRUE(gf_readAirportStands("EDDF", apf, helipads));
    gf_closeFacilityReader();
  }
  EXPECT_TRUE(logHas("SimConnect closed ok\nSimConnect (PARKING_DATA_RDR) closed"));

  // The simulator's exception is user error 111 "restart" to the scan.
  ApfData apf;
  std::uint32_t helipads = 0;
  try {
    gf_readAirportStands("LOWI", apf, helipads);  // an airport the simulator does not know
    ADD_FAILURE() << "no error";
  } catch (const UserErrorException& e) {
    EXPECT_EQ(std::string(e.what()), "111: restart");
  }
  EXPECT_TRUE(logHas("==> SimConnect EXCEPTION id="));
  EXPECT_FALSE(gf_isFacilityReaderOpen());
}

// A slow answer that keeps coming is waited for however many passes it takes
// in all; only as many quiet passes in a row as the limit give it up.
TEST_F(FacilityReaderTest, ASlowButLiveAnswerIsWaitedFor) {
  const struct {
    int quietBetween;  // dispatch passes without a record before each one
    bool read;
  } rows[] = {{0, true}, {quietPasses - 1, true}, {quietPasses, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.quietBetween);
    worldOf("airport EDDF 50.03 8.57 364 Frankfurt\nparking 4 1 0 20 0 0\nparking 4 2 0 20 0 0\n"
            "parking 4 3 0 20 0 0\nhelipad 50.031 8.571 110 90 20 20 1\n");
    Emulator::instance().setDispatchPace(row.quietBetween);
    ApfData apf;
    std::uint32_t helipads = 0;
    EXPECT_EQ(gf_readAirportStands("EDDF", apf, helipads), row.read);
    EXPECT_EQ(apf.stands.size(), row.read ? 4U : 0U);
    EXPECT_EQ(logHas(fmt::format("==> Facility data for EDDF did not end: no answer within {} passes, given up",
                                 quietPasses)),
              !row.read);
    gf_closeFacilityReader();
  }
}

} // namespace
} // namespace gwr
