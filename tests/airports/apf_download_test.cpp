// Archived stand files fetched from a loopback web site for both simulator
// editions, and the nearest stand of an airport to a position.
#include "airports/apf_download.h"
#include "airports/airports_constants.h"

#include <gtest/gtest.h>

#include "core/download.h"
#include "core/run_state.h"
#include "refdata/airport_services.h"
#include "stand_fixture.h"
#include "support/loopback_http_server.h"

namespace gwr {
namespace {

using namespace testsupport;

constexpr double metresPerDegreeLat = 111'120.0;

class ApfDownloadTest : public AirportsSandbox {
protected:
  void SetUp() override {
    AirportsSandbox::SetUp();
    gf_setDownloadFolderUrl(server.url("/downloads/"));
    DownloadTimeouts quick;
    quick.connectMs = 2'000;
    quick.lowSpeedSeconds = 1;
    quick.smallTransferMs = 1'500;  // a stalled server is given up quickly; the files here are small
    gf_setDownloadTimeouts(quick);
  }
  void TearDown() override {
    gf_setDownloadTimeouts(defaultDownloadTimeouts);
    gf_setDownloadFolderUrl(savedFolderUrl);
    SimEdition = true;
    gf_installClosestStandReader(nullptr);
    AirportsSandbox::TearDown();
  }

  LoopbackHttpServer server;
  const std::string savedFolderUrl = gf_downloadFolderUrl();
};

TEST_F(ApfDownloadTest, BothEditionsDownloadOrLeaveNoFile) {
  const std::string body = standgen::apfXml(standgen::sampleAirport("EHAM", "Schiphol", "stock", 52.3, 4.76, -11, 1));
  struct Row {
    const char* stored;
    const char* urlPath;  // below the edition's folder
    LoopbackHttpServer::Route route;
    bool ok;
  };
  LoopbackHttpServer::Route flood;
  flood.floodBytes = 4 * archivedStandFileMaxBytes;
  const Row files[] = {  // each for both editions
      {"archive/stock/EHAM.xml", "/archive/stock/EHAM.xml", {200, body}, true},
      {"archive\\thirdparty\\Pub\\EHAM.xml", "/archive/thirdparty/Pub/EHAM.xml", {200, body}, true},
      {"archive/stock/EGLL.xml", "/archive/stock/EGLL.xml", {404, "gone"}, false},
      {"archive/stock/LFPG.xml", "/archive/stock/LFPG.xml", {.status = 200, .body = body, .cutShort = true}, false},
      {"archive/stock/EDDF.xml", "/archive/stock/EDDF.xml", {200, body, true}, false},
      // A flood far beyond any stand file stops at the limit.
      {"archive/stock/KJFK.xml", "/archive/stock/KJFK.xml", flood, false},
  };
  const std::filesystem::path destination = "airports/park_airport.xml";
  for (const bool edition2020 : {true, false}) for (const Row& row : files) {
    const std::string urlPath = std::string(edition2020 ? "/downloads/MSFS" : "/downloads/MSFS2024") + row.urlPath;
    server.addRoute(urlPath, row.route);
    SimEdition = edition2020;
    standgen::writeText(destination, "an older airport's file");
    const std::string url = server.url(urlPath);
    EXPECT_EQ(gf_archivedApfUrl(row.stored), url);
    EXPECT_EQ(gf_downloadArchivedApf(row.stored, destination), row.ok ? "" : "failed to download: '" + url + "'");
    EXPECT_EQ(std::filesystem::exists(destination), row.ok) << url;
    if (row.ok) {
      EXPECT_EQ(readFile(destination), body);
    }
    EXPECT_FALSE(std::filesystem::exists(destination.string() + ".part")) << url;
    if (!row.ok) {
      EXPECT_EQ(log().lines().back(), "failed to download: '" + url + "'");
    }
  }
}

TEST_F(ApfDownloadTest, ClosestStandOfEveryKindOfStandFile) {
  // Stands 30 m north of 52.0/4.0 in steps, in different files and layouts.
  auto fileWith = [](bool underRoot, std::vector<standgen::StandSpec> stands) {
    standgen::FileSpec spec;
    spec.parameters = standgen::generatedParameters("EHAM", "x", "stock", 0, stands.size());
    spec.parkpositionsUnderRoot = underRoot;
    spec.stands = std::move(stands);
    return standgen::apfXml(spec);
  };
  auto north = [](const char* id, double metres) {
    return standgen::stand(id, 52.0 + metres / metresPerDegreeLat, 4.0, 0.0, 20.0, 5);
  };
  standgen::writeText("airports/my_thirdparty/EHAM.xml", fileWith(true, {north("A1", 90), north("A2", 30), north("A3", 60)}));
  standgen::writeText("airports/my_thirdparty/EGLL.xml", fileWith(false, {north("B1", 60), north("B2", 60)}));
  standgen::writeText("airports/my_thirdparty/LFPG.xml", "<root><parkpositions>");
  standgen::writeText("airports/my_thirdparty/EDDF.xml", fileWith(true, {standgen::stand("F1", 40.0, 4.0, 0.0, 20.0, 5)}));
  airportsTable = {{FixedCode<4>("KJFK"), unknownCode3, 0.0, 0.0, 0.0F, 1}, {FixedCode<4>("LOWW"), unknownCode3, 0.0, 0.0, 0.0F, 1}};
  server.addRoute("/downloads/MSFS/archive/stock/KJFK.xml", {200, fileWith(true, {north("J1", 10)})});

  struct Row {
    const char* code;
    double metres;  // negative: no stand found (100 nm)
    const char* standId;
  };
  const Row rows[] = {
      {"EHAM", 30, "A2"}, {"EGLL", 60, "B1"},  // the older layout; a tie keeps the first
      {"LFPG", -1, "none"}, {"EDDF", -1, "none"},  // broken file; stands 100 nm and more away
      {"KJFK", 10, "J1"}, {"LOWW", -1, "none"},  // archived, then an archived file the site lacks
      {"ESSA", -1, "none"},
  };
  const LatLon position{52.0, 4.0};
  for (const Row& row : rows) {
    std::string standId = "none";
    const double distanceNm = gf_findClosestStand(FixedCode<4>(row.code), position, standId);
    if (row.metres < 0)
      EXPECT_EQ(distanceNm, noStandDistanceNm) << row.code;
    else
      EXPECT_NEAR(distanceNm * 1852, row.metres, 0.5) << row.code;
    EXPECT_EQ(standId, row.standId) << row.code;
    EXPECT_FALSE(std::filesystem::exists(closestStandFileName)) << row.code;
  }
}

TEST_F(ApfDownloadTest, TheClosestAirportYieldsToANeighbourWithANearerStand) {
  const double oneNmLat = 1.0 / 60;
  // In code order EHAM comes first and is displaced by the nearer EHXX.
  airportsTable = {{FixedCode<4>("EHAM"), unknownCode3, 52.0 - 2 * oneNmLat, 4.0, 0.0F, 0},
                   {FixedCode<4>("EHXX"), unknownCode3, 52.0 + oneNmLat, 4.0, 0.0F, 0}};
  standgen::FileSpec near;
  near.stands = {standgen::stand("M1", 52.0 - 0.1 * oneNmLat, 4.0, 0.0, 20.0, 5)};
  standgen::writeApf("airports/my_thirdparty/EHAM.xml", near);
  standgen::FileSpec far;
  far.stands = {standgen::stand("X1", 52.0 + 0.9 * oneNmLat, 4.0, 0.0, 20.0, 5)};
  standgen::writeApf("airports/my_thirdparty/EHXX.xml", far);
  const LatLon position{52.0, 4.0};
  ASSERT_NE(gf_findClosestAirport(position), nullptr);
  EXPECT_EQ(gf_findClosestAirport(position)->icao, FixedCode<4>("EHXX"));  // no stand search installed
  gf_installClosestStandSearch();
  EXPECT_EQ(gf_findClosestAirport(position)->icao, FixedCode<4>("EHAM"));
  std::string standId;
  EXPECT_NEAR(gf_readDestApfForClosestStand(FixedCode<4>("EHAM"), position, standId), 0.1, 1e-4);
  EXPECT_EQ(standId, "M1");
}

} // namespace
} // namespace gwr
