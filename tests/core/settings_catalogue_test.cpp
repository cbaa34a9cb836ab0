// Every setting, list and button against a table written out by hand: key,
// class, default, range, control and choices, registry by registry, in order.
#include "core/settings_catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <fmt/format.h>

#include "core/settings_file.h"
#include "support/settings_sandbox.h"

namespace gwr {
namespace {

using Rows = std::vector<std::string>;

std::string lf_join(const std::vector<std::string>& items) {
  std::string text;
  for (const auto& item : items) text += (text.empty() ? "" : "|") + item;
  return text;
}

template <class T>
std::vector<std::string> lf_texts(const std::vector<T>& values) {
  std::vector<std::string> texts;
  for (const T& value : values) texts.push_back(fmt::format("{}", value));
  return texts;
}

// One line per object: "key class =default [min..max] 0xid@y {choices}".
std::string lf_describe(const Parameter& p) {
  std::string text = p.key;
  if (const auto* box = dynamic_cast<const CheckboxBoolParameter*>(&p)) {
    text += fmt::format(" checkbox ={}", box->defaultValue());
  } else if (const auto* flag = dynamic_cast<const BoolParameter*>(&p)) {
    text += fmt::format(" bool ={}", flag->defaultValue());
  } else if (const auto* combo = dynamic_cast<const ComboNumberParameter<std::int32_t>*>(&p)) {
    text += fmt::format(" combo ={} [{}..{}]", combo->defaultValue(), combo->min, combo->max);
  } else if (const auto* number = dynamic_cast<const NumberParameter<std::int32_t>*>(&p)) {
    text += fmt::format(" number ={} [{}..{}]", number->defaultValue(), number->min, number->max);
  } else if (const auto* fit = dynamic_cast<const ComboNumberParameter<float>*>(&p)) {
    text += fmt::format(" floatcombo ={} [{}..{}]", fit->defaultValue(), fit->min, fit->max);
  } else if (const auto* choice = dynamic_cast<const ComboChoiceParameter*>(&p)) {
    text += " choice =" + choice->defaultValue();
  } else if (const auto* shared = dynamic_cast<const ComboSharedChoiceParameter*>(&p)) {
    text += " shared =" + shared->defaultValue();
  } else if (const auto* edit = dynamic_cast<const EditStringParameter*>(&p)) {
    text += " edit =" + edit->defaultValue();
  } else if (const auto* plain = dynamic_cast<const StringParameter*>(&p)) {
    text += " string =" + plain->defaultValue();
  } else if (dynamic_cast<const ButtonCommand*>(&p) != nullptr) {
    text += " button";
  }
  if (const auto* binding = dynamic_cast<const ControlBinding*>(&p))
    text += fmt::format(" {:#x}@{}", binding->controlId, binding->y);
  if (const auto* combo = dynamic_cast<const ComboNumberParameter<std::int32_t>*>(&p))
    text += " {" + lf_join(lf_texts(combo->choices)) + "}";
  if (const auto* fit = dynamic_cast<const ComboNumberParameter<float>*>(&p))
    text += " {" + lf_join(lf_texts(fit->choices)) + "}";
  if (const auto* choice = dynamic_cast<const ComboChoiceParameter*>(&p)) text += " {" + lf_join(choice->choices) + "}";
  if (const auto* shared = dynamic_cast<const ComboSharedChoiceParameter*>(&p))
    text += " {" + lf_join(shared->choices->snapshot()) + "}";
  return text;
}

template <class P>
Rows lf_rows(const ParameterRegistry<P>& registry) {
  Rows rows;
  for (const P* p : registry) rows.push_back(lf_describe(*p));
  return rows;
}

void lf_expectRows(const Rows& actual, const Rows& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << "row " << i + 1;
}

const std::vector<std::string> packageChoices = {
    "AIG, FSLTL, JF, MTL", "AIG, FSLTL, MTL, JF", "AIG, JF, FSLTL, MTL", "AIG, JF, MTL, FSLTL",
    "AIG, MTL, FSLTL, JF", "AIG, MTL, JF, FSLTL", "FSLTL, AIG, JF, MTL", "FSLTL, AIG, MTL, JF",
    "FSLTL, JF, AIG, MTL", "FSLTL, JF, MTL, AIG", "FSLTL, MTL, AIG, JF", "FSLTL, MTL, JF, AIG",
    "JF, AIG, FSLTL, MTL", "JF, AIG, MTL, FSLTL", "JF, FSLTL, AIG, MTL", "JF, FSLTL, MTL, AIG",
    "JF, MTL, AIG, FSLTL", "JF, MTL, FSLTL, AIG", "MTL, AIG, FSLTL, JF", "MTL, AIG, JF, FSLTL",
    "MTL, FSLTL, AIG, JF", "MTL, FSLTL, JF, AIG", "MTL, JF, AIG, FSLTL", "MTL, JF, FSLTL, AIG",
    "AIG, FSLTL, JF",      "AIG, JF, FSLTL",      "FSLTL, AIG, JF",      "FSLTL, JF, AIG",
    "JF, AIG, FSLTL",      "JF, FSLTL, AIG",      "AIG, FSLTL, MTL",     "AIG, MTL, FSLTL",
    "FSLTL, AIG, MTL",     "FSLTL, MTL, AIG",     "MTL, AIG, FSLTL",     "MTL, FSLTL, AIG",
    "AIG, JF, MTL",        "AIG, MTL, JF",        "JF, AIG, MTL",        "JF, MTL, AIG",
    "MTL, AIG, JF",        "MTL, JF, AIG",        "FSLTL, JF, MTL",      "FSLTL, MTL, JF",
    "JF, FSLTL, MTL",      "JF, MTL, FSLTL",      "MTL, FSLTL, JF",      "MTL, JF, FSLTL",
    "AIG, FSLTL",          "FSLTL, AIG",          "AIG, JF",             "JF, AIG",
    "AIG, MTL",            "MTL, AIG",            "FSLTL, JF",           "JF, FSLTL",
    "FSLTL, MTL",          "MTL, FSLTL",          "JF, MTL",             "MTL, JF",
    "AIG",                 "FSLTL",               "JF",                  "MTL"};

class SettingsCatalogue : public ::testing::Test {
 protected:
  testsupport::SettingsSandbox sandbox;  // defaults as made, PROGRAM_VERSION's empty
};

TEST_F(SettingsCatalogue, RegistriesHoldTheSettingsInTheirOrderWithDefaultsRangesControlsAndLists) {
  lf_expectRows(lf_rows(boolParameters), {"RANDOM bool =true"});
  lf_expectRows(lf_rows(checkboxParameters),
                {"ALWAYS_ON_TOP checkbox =false 0x8003@147", "OBJECTID_LIST checkbox =false 0x8007@175",
                 "NAV_LIGHTS_WHILE_PARKED checkbox =true 0x8006@175", "AEROWINX checkbox =false 0x8008@203",
                 "GUID_CHANGES checkbox =true 0x8005@203", "SCAN_LIVERIES checkbox =true 0x801e@147",
                 "LIG_AUTOMATIC checkbox =true 0x801f@147", "LIG_PRIORITIZE checkbox =true 0x8020@147",
                 "SCAN_AIRPORTS checkbox =true 0x8022@175", "LIGHT_AIRCRAFT checkbox =true 0x8029@203",
                 "HELICOPTERS checkbox =true 0x802a@203", "HIGH_PERF_AIRCRAFT checkbox =true 0x802b@203",
                 "AUTO_RANGE checkbox =true 0x8033@231", "AIRBORNE_ONLY checkbox =false 0x8035@231",
                 "COLLISION_USER_GND checkbox =true 0x8042@287", "COLLISION_USER_AIR checkbox =true 0x8041@287",
                 "COLLISION_LIVE_PARKED_GND checkbox =false 0x8043@287",
                 "STRAIGHT_PBS_ONLY checkbox =false 0x8057@315", "INITIAL_LOAD_ONLY checkbox =false 0x8053@371",
                 "WEEK checkbox =false 0x8055@371", "PARK_SOFT checkbox =false 0x8054@371"});
  lf_expectRows(lf_rows(numberParameters),
                {"MAIN_WINDOW_X number =400 [-30000..30000]", "MAIN_WINDOW_Y number =20 [-30000..30000]",
                 "LAST_EPOCH_TIME: number =0 [0..2147483647]", "CUSTOM_PARKING_PERCENTAGE number =-1 [-1..100]",
                 "HOLDING_THRESHOLD_METERS number =250 [10..4000]", "MAX_HOLDING_MINUTES number =20 [1..60]",
                 "MAX_FIT number =47 [0..47]"});
  const std::string listS = "{0|10|25|50|75|100|500}";
  lf_expectRows(lf_rows(comboNumberParameters),
                {"MATCHING_DEPTH combo =4 [1..4] 0x8028@203 {1|2|3|4}",
                 "RANGE combo =40 [2..100] 0x8032@231 {2|3|4|5|6|8|10|12|14|16|18|20|25|30|35|40|50|65|80|100}",
                 "AR_ABOVE_HEIGHT combo =48000 [18000..48000] 0x8034@231 "
                 "{18000|21000|24000|27000|30000|33000|36000|39000|42000|45000|48000}",
                 "MAX_PARK_SEL combo =500 [0..500] 0x8050@315 " + listS,
                 "MAX_LIVE_SEL combo =500 [0..500] 0x8051@315 " + listS,
                 "AIRP_RANGE combo =20 [5..30] 0x8048@343 {5|10|15|20|25|30}",
                 "AIRP_HEIGHT combo =18000 [2000..48000] 0x8049@343 "
                 "{2000|4000|6000|8000|10000|12000|14000|16000|18000|36000|48000}"});
  Rows strings = {"PROGRAM_VERSION string =", "MSFS_INSTALL_PATH string =", "PORT_NUMBER string =10747"};
  for (int i = 0; i < 10; ++i) strings.push_back(fmt::format("lfolder{} string =", i));
  for (const char* key : {"AIG_VERSION", "DBASE_VERSION", "AIRPORTS_VERSION", "LIV_SCAN_VERSION",
                          "ADDONS_SCAN_VERSION", "MYSIMADDON24_VERSION", "MSFS_2024_INSTALL_PATH"})
    strings.push_back(std::string(key) + " string =");
  strings.push_back("AI_PACKAGE_SELECTOR choice =AIG, FSLTL, JF, MTL 0x8016@147 {" + lf_join(packageChoices) + "}");
  strings.push_back("DESTINATION edit = 0x8047@343");
  lf_expectRows(lf_rows(stringParameters), strings);
  lf_expectRows(lf_rows(controlStringParameters),
                {"BLOCK_CALLSIGN edit = 0x803c@259", "SIM_CHOICE choice =MSFS 2020 0x8015@119 {MSFS 2020|MSFS 2024}"});
  EXPECT_EQ(packageChoices.size(), 64U);
}

TEST_F(SettingsCatalogue, UnstoredSettingsAndButtons) {
  callsignChoices->replace({""});
  Rows actual;
  for (const Parameter* p : std::initializer_list<const Parameter*>{
           &ALL_INSTALL_PATH, &CALLSIGN_2_OBJECTID, &parking_percentage, &MAX_FIT_FL, &CS_TO_OID_BUTTON,
           &UNBLOCK_BUTTON, &BLOCK_BUTTON, &TBLO_ZIP_BUTTON, &NOW_BUTTON, &REREAD_BUTTON, &FLUSH_STATIC_BUTTON})
    actual.push_back(lf_describe(*p));
  lf_expectRows(actual,
                {"ALL_INSTALL_PATH edit = 0x8014@119", "CALLSIGN_2_OBJECTID shared = 0x803f@259 {}",
                 "parking_percentage combo =30 [0..100] 0x8052@371 "
                 "{0|5|10|15|20|25|30|35|40|45|50|55|60|65|70|75|80|85|90|95|100}",
                 "MAX_FIT_FL floatcombo =24 [0.5..24] 0x8056@371 "
                 "{0.5|1|1.5|2|2.5|3|3.5|4|4.5|5|6|7|8|9|10|12|15|18|21|24}",
                 "cs->oid: button 0x803e@257", "Unblock button 0x803d@257", "Block button 0x8040@257",
                 "tblo.zip button 0x8024@175", "Now button 0x804f@313", "Re-read button 0x8046@341",
                 "Flush static button 0x8059@369"});
  std::vector<std::string> apfKeys;
  for (const std::string* key : apfParameterKeys) apfKeys.push_back(*key);
  EXPECT_EQ(apfKeys, (std::vector<std::string>{"RANGE", "AUTO_RANGE", "INITIAL_LOAD_ONLY", "PARK_SOFT",
                                               "parking_percentage", "MAX_FIT", "WEEK", "MAX_LIVE_SEL"}));
  EXPECT_EQ(metresPerNauticalMile, 1852);
}

TEST_F(SettingsCatalogue, ANewFileHoldsTheSixtyStoredSettingsWithTheirDefaults) {
  std::vector<std::pair<std::string, std::string>> expected = {{"RANDOM", "true"}};
  for (const auto& entry : std::vector<std::pair<std::string, std::string>>{
           {"ALWAYS_ON_TOP", "false"}, {"OBJECTID_LIST", "false"}, {"NAV_LIGHTS_WHILE_PARKED", "true"},
           {"AEROWINX", "false"}, {"GUID_CHANGES", "true"}})
    expected.push_back(entry);
  for (const char* key : {"SCAN_LIVERIES", "LIG_AUTOMATIC", "LIG_PRIORITIZE", "SCAN_AIRPORTS", "LIGHT_AIRCRAFT",
                          "HELICOPTERS", "HIGH_PERF_AIRCRAFT", "AUTO_RANGE"})
    expected.emplace_back(key, "true");
  expected.emplace_back("AIRBORNE_ONLY", "false");
  expected.emplace_back("COLLISION_USER_GND", "true");
  expected.emplace_back("COLLISION_USER_AIR", "true");
  for (const char* key : {"COLLISION_LIVE_PARKED_GND", "STRAIGHT_PBS_ONLY", "INITIAL_LOAD_ONLY", "WEEK", "PARK_SOFT"})
    expected.emplace_back(key, "false");
  for (const auto& entry : std::vector<std::pair<std::string, std::string>>{
           {"MAIN_WINDOW_X", "400"}, {"MAIN_WINDOW_Y", "20"}, {"LAST_EPOCH_TIME:", "0"},
           {"CUSTOM_PARKING_PERCENTAGE", "-1"}, {"HOLDING_THRESHOLD_METERS", "250"}, {"MAX_HOLDING_MINUTES", "20"},
           {"MAX_FIT", "47"}, {"MATCHING_DEPTH", "4"}, {"RANGE", "40"}, {"AR_ABOVE_HEIGHT", "48000"},
           {"MAX_PARK_SEL", "500"}, {"MAX_LIVE_SEL", "500"}, {"AIRP_RANGE", "20"}, {"AIRP_HEIGHT", "18000"},
           {"PROGRAM_VERSION", "12.5.5"}, {"MSFS_INSTALL_PATH", ""}, {"PORT_NUMBER", "10747"}})
    expected.push_back(entry);
  for (int i = 0; i < 10; ++i) expected.emplace_back(fmt::format("lfolder{}", i), "");
  for (const char* key : {"AIG_VERSION", "DBASE_VERSION", "AIRPORTS_VERSION", "LIV_SCAN_VERSION",
                          "ADDONS_SCAN_VERSION", "MYSIMADDON24_VERSION", "MSFS_2024_INSTALL_PATH"})
    expected.emplace_back(key, "");
  expected.emplace_back("AI_PACKAGE_SELECTOR", "AIG, FSLTL, JF, MTL");
  expected.emplace_back("DESTINATION", "");
  expected.emplace_back("BLOCK_CALLSIGN", "");
  expected.emplace_back("SIM_CHOICE", "MSFS 2020");
  ASSERT_EQ(expected.size(), 60U);

  EXPECT_TRUE(gf_loadParameters());
  EXPECT_EQ(sandbox.storedEntries(), expected);
}

} // namespace
} // namespace gwr
