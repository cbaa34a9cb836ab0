// A new parameters.xml holds every stored setting, in order, with the default
// written out by hand here; the settings an airport change re-reads are named.
#include "core/settings_catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <fmt/format.h>

#include "core/settings_file.h"
#include "support/settings_sandbox.h"

namespace gwr {
namespace {

TEST(SettingsCatalogue, ANewFileHoldsTheSixtyStoredSettingsWithTheirDefaults) {
  testsupport::SettingsSandbox sandbox;  // defaults as made, PROGRAM_VERSION's empty
  std::vector<std::string> expected;
  const auto add = [&expected](std::initializer_list<const char*> keys, const char* value) {
    for (const char* key : keys) expected.push_back(fmt::format("{}={}", key, value));
  };
  add({"RANDOM"}, "true");
  add({"ALWAYS_ON_TOP", "OBJECTID_LIST"}, "false");
  add({"NAV_LIGHTS_WHILE_PARKED"}, "true");
  add({"AEROWINX"}, "false");
  add({"GUID_CHANGES", "SCAN_LIVERIES", "LIG_AUTOMATIC", "LIG_PRIORITIZE", "SCAN_AIRPORTS", "LIGHT_AIRCRAFT",
       "HELICOPTERS", "HIGH_PERF_AIRCRAFT", "AUTO_RANGE"}, "true");
  add({"AIRBORNE_ONLY"}, "false");
  add({"COLLISION_USER_GND", "COLLISION_USER_AIR"}, "true");
  add({"COLLISION_LIVE_PARKED_GND", "STRAIGHT_PBS_ONLY", "INITIAL_LOAD_ONLY", "WEEK", "PARK_SOFT"}, "false");
  add({"MAIN_WINDOW_X"}, "400");
  add({"MAIN_WINDOW_Y"}, "20");
  add({"LAST_EPOCH_TIME:"}, "0");
  add({"CUSTOM_PARKING_PERCENTAGE"}, "-1");
  add({"HOLDING_THRESHOLD_METERS"}, "250");
  add({"MAX_HOLDING_MINUTES"}, "20");
  add({"MAX_FIT"}, "47");
  add({"MATCHING_DEPTH"}, "4");
  add({"RANGE"}, "40");
  add({"AR_ABOVE_HEIGHT"}, "48000");
  add({"MAX_PARK_SEL", "MAX_LIVE_SEL"}, "500");
  add({"AIRP_RANGE"}, "20");
  add({"AIRP_HEIGHT"}, "18000");
  add({"PROGRAM_VERSION"}, "12.5.5");
  add({"MSFS_INSTALL_PATH"}, "");
  add({"PORT_NUMBER"}, "10747");
  for (int i = 0; i < 10; ++i) expected.push_back(fmt::format("lfolder{}=", i));
  add({"AIG_VERSION", "DBASE_VERSION", "AIRPORTS_VERSION", "LIV_SCAN_VERSION", "ADDONS_SCAN_VERSION",
       "MYSIMADDON24_VERSION", "MSFS_2024_INSTALL_PATH"}, "");
  add({"AI_PACKAGE_SELECTOR"}, "AIG, FSLTL, JF, MTL");
  add({"DESTINATION", "BLOCK_CALLSIGN"}, "");
  add({"SIM_CHOICE"}, "MSFS 2020");
  ASSERT_EQ(expected.size(), 60U);

  EXPECT_TRUE(gf_loadParameters());
  std::vector<std::string> stored;
  for (const auto& [key, value] : sandbox.storedEntries()) stored.push_back(key + "=" + value);
  EXPECT_EQ(stored, expected);

  std::vector<std::string> apfKeys;
  for (const std::string* key : apfParameterKeys) apfKeys.push_back(*key);
  EXPECT_EQ(apfKeys, (std::vector<std::string>{"RANGE", "AUTO_RANGE", "INITIAL_LOAD_ONLY", "PARK_SOFT",
                                               "parking_percentage", "MAX_FIT", "WEEK", "MAX_LIVE_SEL"}));
}

} // namespace
} // namespace gwr
