// Test fixture for the aircraft.cfg readers: a small reference database read
// in a temporary working folder with the log open, and empty scan reports.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "liveries/scan_reports.h"
#include "refdata/dbase_reader.h"
#include "refdata/dbase_tables.h"
#include "support/log_capture.h"

namespace gwr::testsupport {

// Registrations: D-AIPX (DLH A320), G-ABC (BAW B772 cargo), N123 and D-ENOA
// (no airline), D-ANOM (no model).
inline constexpr const char* fixtureDbaseXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<root>
  <aircrafts><aircraft types="A320,A319,A20N,B738,B772,B748,C172,C152,C25C,EC35,F16"/></aircrafts>
  <cargo_types><cargo_type types="B748"/></cargo_types>
  <heavy><hvy types="B772,B748"/></heavy>
  <large><lar types="A320,A319,A20N,B738"/></large>
  <buzjet><bzj types="C25C"/></buzjet>
  <high_performance><hpf types="F16"/></high_performance>
  <rotorcraft><rot types="EC35"/></rotorcraft>
  <ICAO_airlines><ICAO codes="DLH,BAW,KLM,AFR,ZZZ,klm"/></ICAO_airlines>
  <cargo_operators><ICAO codes="FDX"/></cargo_operators>
  <fixes><fx wro="B38" cor="B738"/></fixes>
  <simaddons20><simaddon20 arpts="EDDF"/></simaddons20>
  <simaddons24><simaddon24 arpts="EDDF"/></simaddons24>
  <dbase>
    <d r="D-AIPX" a="DLH" m="A320"/>
    <d r="G-ABC" a="BAW" m="B772" c="true"/>
    <d r="N123" m="C172"/>
    <d r="D-ANOM" a="DLH"/>
    <d r="D-ENOA" m="C172"/>
  </dbase>
</root>
)";

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

class CfgFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    gf_clearDbaseForTests();
    const std::filesystem::path plain = log.folder() / "dbase.xml";
    writeFile(plain, fixtureDbaseXml);
    ASSERT_TRUE(gf_readDbaseXml(plain));
    gf_clearScanReports();
    log.mark();
  }
  void TearDown() override {
    gf_clearScanReports();
    gf_clearDbaseForTests();
  }

  static std::vector<std::string> report(ScanReport which) { return gf_scanReportLines(which); }
  // Every report line of every list, for "nothing was reported".
  static std::size_t reportLineCount() {
    std::size_t count = 0;
    for (std::size_t i = 0; i < scanReportCount; ++i) count += gf_scanReportLines(static_cast<ScanReport>(i)).size();
    return count;
  }

  LogCapture log;
};

} // namespace gwr::testsupport
