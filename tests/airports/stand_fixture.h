// Test helpers of the airports suites: a sandboxed working folder with the
// settings at their defaults, stand files read back, and small stand builders.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "airports/apf_data.h"
#include "airports/apf_reader.h"
#include "airports/park_stand_table.h"
#include "core/settings_catalogue.h"
#include "refdata/airports_table.h"
#include "refdata/registration_records.h"
#include "standgen/stand_files.h"
#include "support/settings_sandbox.h"

namespace gwr::testsupport {

inline std::string readFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The stands of a stand file's text.
inline StandTable readStandsOf(const std::string& xml) {
  pugi::xml_document document;
  EXPECT_TRUE(document.load_string(xml.c_str()));
  StandTable table;
  gf_readParkPositions(document, table);
  return table;
}

inline StandOption makeOption(const std::string& registration, LivKey codes, std::uint32_t day,
                              std::initializer_list<int> halfHours, std::uint32_t index) {
  StandOption option;
  option.registration = registration;
  option.codes = codes;
  option.day = day;
  for (const int h : halfHours) option.hours.set(static_cast<std::size_t>(h));
  option.index = index;
  return option;
}

// A working folder with the log, settings at their defaults, no park airport,
// an empty stand table and an empty airports table and database.
class AirportsSandbox : public ::testing::Test {
protected:
  void SetUp() override {
    resetState();
    // The main window's controls that the stand files' settings show in.
    for (const ControlBinding* control : std::initializer_list<const ControlBinding*>{
             &MAX_LIVE_SEL, &RANGE, &parking_percentage, &MAX_FIT_FL, &AUTO_RANGE, &AR_ABOVE_HEIGHT, &WEEK,
             &PARK_SOFT, &INITIAL_LOAD_ONLY}) {
      platform::gf_headlessControlSurface().createControl(control->controlId);
    }
    parking_percentage.fillCombo();
  }
  void TearDown() override { resetState(); }
  static void resetState() {
    gf_clearStands(standTable);
    apfHeader = {};
    apfHandmade = false;
    RT_traffic_week = 0;
    parkAirportCode = {};
    fieldElevationFt = 0;
    fieldElevationValid = false;
    standTableReady = false;
    gf_clearAirportsForTests();
    dbaseRecords.clear();
    // The settings outside the stored registries.
    MAX_FIT_FL.setCurrent(MAX_FIT_FL.defaultValue());
    parking_percentage.setCurrent(parking_percentage.defaultValue());
  }
  LogCapture& log() { return sandbox.log(); }

  SettingsSandbox sandbox;
};

} // namespace gwr::testsupport
