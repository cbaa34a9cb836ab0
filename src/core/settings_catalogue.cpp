// The setting objects with keys, defaults, ranges, choices and controls; lists,
// parameters, registries and derived values are defined in that order here.
#include "core/settings_catalogue.h"

#include <algorithm>
#include <array>
#include <vector>

namespace gwr {

namespace {

std::vector<std::int32_t> lf_steps(std::int32_t first, std::int32_t last, std::int32_t step) {
  std::vector<std::int32_t> list;
  for (std::int32_t value = first; value <= last; value += step) list.push_back(value);
  return list;
}

// Every ordering of every non-empty subset of the package names: bigger
// subsets first, subsets in combination order, orderings lexicographic.
std::vector<std::string> lf_packageSelectorChoices() {
  const std::vector<std::string> names = {"AIG", "FSLTL", "JF", "MTL"};
  std::vector<std::string> choices;
  for (std::size_t size = names.size(); size >= 1; --size) {
    // The mask marks the chosen names; prev_permutation walks the subsets of
    // this size in combination order when the marks start at the front.
    std::vector<bool> mask(names.size(), false);
    std::fill(mask.begin(), mask.begin() + static_cast<std::ptrdiff_t>(size), true);
    do {
      std::vector<std::string> subset;
      for (std::size_t i = 0; i < names.size(); ++i)
        if (mask[i]) subset.push_back(names[i]);
      do {
        std::string text;
        for (const auto& name : subset) text += (text.empty() ? "" : ", ") + name;
        choices.push_back(std::move(text));
      } while (std::next_permutation(subset.begin(), subset.end()));
    } while (std::prev_permutation(mask.begin(), mask.end()));
  }
  return choices;
}

const std::vector<std::int32_t> matchingDepthChoices = lf_steps(1, 4, 1);
const std::vector<std::int32_t> rangeChoicesNm = {2, 3, 4, 5, 6, 8, 10, 12, 14, 16,
                                                 18, 20, 25, 30, 35, 40, 50, 65, 80, 100};
const std::vector<std::int32_t> heightChoicesFeet = lf_steps(18000, 48000, 3000);
const std::vector<std::int32_t> selectionChoices = {0, 10, 25, 50, 75, 100, 500};
const std::vector<std::int32_t> airportRangeChoicesNm = {5, 10, 15, 20, 25, 30};
const std::vector<std::int32_t> airportHeightChoicesFeet = {2000,  4000,  6000,  8000,  10000, 12000,
                                                            14000, 16000, 18000, 36000, 48000};
const std::vector<std::int32_t> parkingPercentageChoices = lf_steps(0, 100, 5);
const std::vector<float> maxFitChoicesHours = {0.5F, 1.0F, 1.5F, 2.0F, 2.5F, 3.0F, 3.5F,
                                               4.0F, 4.5F, 5.0F, 6.0F, 7.0F, 8.0F, 9.0F,
                                               10.0F, 12.0F, 15.0F, 18.0F, 21.0F, 24.0F};
const std::vector<std::string> simChoices = {"MSFS 2020", "MSFS 2024"};

constexpr std::int32_t windowPositionLimit = 30000;  // pixels, either direction

} // namespace

BoolParameter RANDOM{"RANDOM", true};

CheckboxBoolParameter ALWAYS_ON_TOP{"ALWAYS_ON_TOP", false, 0x8003, 147};
CheckboxBoolParameter OBJECTID_LIST{"OBJECTID_LIST", false, 0x8007, 175};
CheckboxBoolParameter NAV_LIGHTS_WHILE_PARKED{"NAV_LIGHTS_WHILE_PARKED", true, 0x8006, 175};
CheckboxBoolParameter AEROWINX{"AEROWINX", false, 0x8008, 203};
CheckboxBoolParameter GUID_CHANGES{"GUID_CHANGES", true, 0x8005, 203};
CheckboxBoolParameter SCAN_LIVERIES{"SCAN_LIVERIES", true, 0x801E, 147};
CheckboxBoolParameter LIG_AUTOMATIC{"LIG_AUTOMATIC", true, 0x801F, 147};
CheckboxBoolParameter LIG_PRIORITIZE{"LIG_PRIORITIZE", true, 0x8020, 147};
CheckboxBoolParameter SCAN_AIRPORTS{"SCAN_AIRPORTS", true, 0x8022, 175};
CheckboxBoolParameter LIGHT_AIRCRAFT{"LIGHT_AIRCRAFT", true, 0x8029, 203};
CheckboxBoolParameter HELICOPTERS{"HELICOPTERS", true, 0x802A, 203};
CheckboxBoolParameter HIGH_PERF_AIRCRAFT{"HIGH_PERF_AIRCRAFT", true, 0x802B, 203};
CheckboxBoolParameter AUTO_RANGE{"AUTO_RANGE", true, 0x8033, 231};
CheckboxBoolParameter AIRBORNE_ONLY{"AIRBORNE_ONLY", false, 0x8035, 231};
CheckboxBoolParameter COLLISION_USER_GND{"COLLISION_USER_GND", true, 0x8042, 287};
CheckboxBoolParameter COLLISION_USER_AIR{"COLLISION_USER_AIR", true, 0x8041, 287};
CheckboxBoolParameter COLLISION_LIVE_PARKED_GND{"COLLISION_LIVE_PARKED_GND", false, 0x8043, 287};
CheckboxBoolParameter STRAIGHT_PBS_ONLY{"STRAIGHT_PBS_ONLY", false, 0x8057, 315};
CheckboxBoolParameter INITIAL_LOAD_ONLY{"INITIAL_LOAD_ONLY", false, 0x8053, 371};
CheckboxBoolParameter WEEK{"WEEK", false, 0x8055, 371};
CheckboxBoolParameter PARK_SOFT{"PARK_SOFT", false, 0x8054, 371};

NumberParameter<std::int32_t> MAIN_WINDOW_X{"MAIN_WINDOW_X", 400, -windowPositionLimit, windowPositionLimit};
NumberParameter<std::int32_t> MAIN_WINDOW_Y{"MAIN_WINDOW_Y", 20, -windowPositionLimit, windowPositionLimit};
NumberParameter<std::int32_t> LAST_EPOCH_TIME{"LAST_EPOCH_TIME:", 0, 0, 2147483647};
NumberParameter<std::int32_t> CUSTOM_PARKING_PERCENTAGE{"CUSTOM_PARKING_PERCENTAGE", -1, -1, 100};
NumberParameter<std::int32_t> HOLDING_THRESHOLD_METERS{"HOLDING_THRESHOLD_METERS", 250, 10, 4000};
NumberParameter<std::int32_t> MAX_HOLDING_MINUTES{"MAX_HOLDING_MINUTES", 20, 1, 60};
NumberParameter<std::int32_t> MAX_FIT{"MAX_FIT", 47, 0, 47};

ComboNumberParameter<std::int32_t> MATCHING_DEPTH{"MATCHING_DEPTH", 4, matchingDepthChoices, 0x8028, 203};
ComboNumberParameter<std::int32_t> RANGE{"RANGE", 40, rangeChoicesNm, 0x8032, 231};
ComboNumberParameter<std::int32_t> AR_ABOVE_HEIGHT{"AR_ABOVE_HEIGHT", 48000, heightChoicesFeet, 0x8034, 231};
ComboNumberParameter<std::int32_t> MAX_PARK_SEL{"MAX_PARK_SEL", 500, selectionChoices, 0x8050, 315};
ComboNumberParameter<std::int32_t> MAX_LIVE_SEL{"MAX_LIVE_SEL", 500, selectionChoices, 0x8051, 315};
ComboNumberParameter<std::int32_t> AIRP_RANGE{"AIRP_RANGE", 20, airportRangeChoicesNm, 0x8048, 343};
ComboNumberParameter<std::int32_t> AIRP_HEIGHT{"AIRP_HEIGHT", 18000, airportHeightChoicesFeet, 0x8049, 343};

StringParameter PROGRAM_VERSION{"PROGRAM_VERSION", ""};
StringParameter MSFS_INSTALL_PATH{"MSFS_INSTALL_PATH", ""};
StringParameter PORT_NUMBER{"PORT_NUMBER", "10747"};
std::array<StringParameter, 10> lfolders{
    StringParameter{"lfolder0", ""}, StringParameter{"lfolder1", ""}, StringParameter{"lfolder2", ""},
    StringParameter{"lfolder3", ""}, StringParameter{"lfolder4", ""}, StringParameter{"lfolder5", ""},
    StringParameter{"lfolder6", ""}, StringParameter{"lfolder7", ""}, StringParameter{"lfolder8", ""},
    StringParameter{"lfolder9", ""}};
StringParameter AIG_VERSION{"AIG_VERSION", ""};
StringParameter DBASE_VERSION{"DBASE_VERSION", ""};
StringParameter AIRPORTS_VERSION{"AIRPORTS_VERSION", ""};
StringParameter LIV_SCAN_VERSION{"LIV_SCAN_VERSION", ""};
StringParameter ADDONS_SCAN_VERSION{"ADDONS_SCAN_VERSION", ""};
StringParameter MYSIMADDON24_VERSION{"MYSIMADDON24_VERSION", ""};
StringParameter MSFS_2024_INSTALL_PATH{"MSFS_2024_INSTALL_PATH", ""};
ComboChoiceParameter AI_PACKAGE_SELECTOR{"AI_PACKAGE_SELECTOR", "AIG, FSLTL, JF, MTL",
                                         lf_packageSelectorChoices(), 0x8016, 147};
EditStringParameter DESTINATION{"DESTINATION", "", 0x8047, 343};

EditStringParameter BLOCK_CALLSIGN{"BLOCK_CALLSIGN", "", 0x803C, 259};
ComboChoiceParameter SIM_CHOICE{"SIM_CHOICE", "MSFS 2020", simChoices, 0x8015, 119};

EditStringParameter ALL_INSTALL_PATH{"ALL_INSTALL_PATH", "", 0x8014, 119};
const std::shared_ptr<SharedChoiceList> callsignChoices =
    std::make_shared<SharedChoiceList>(std::vector<std::string>{""});
ComboSharedChoiceParameter CALLSIGN_2_OBJECTID{"CALLSIGN_2_OBJECTID", "", callsignChoices, 0x803F, 259};
ComboNumberParameter<std::int32_t> parking_percentage{"parking_percentage", 30, parkingPercentageChoices,
                                                      0x8052, 371};
ComboNumberParameter<float> MAX_FIT_FL{"MAX_FIT_FL", 24.0F, maxFitChoicesHours, 0x8056, 371};

ButtonCommand CS_TO_OID_BUTTON{"cs->oid:", 0x803E, 257};
ButtonCommand UNBLOCK_BUTTON{"Unblock", 0x803D, 257};
ButtonCommand BLOCK_BUTTON{"Block", 0x8040, 257};
ButtonCommand TBLO_ZIP_BUTTON{"tblo.zip", 0x8024, 175};
ButtonCommand NOW_BUTTON{"Now", 0x804F, 313};
ButtonCommand REREAD_BUTTON{"Re-read", 0x8046, 341};
ButtonCommand FLUSH_STATIC_BUTTON{"Flush static", 0x8059, 369};

const ParameterRegistry<BoolParameter> boolParameters{&RANDOM};

const ParameterRegistry<CheckboxBoolParameter> checkboxParameters{
    &ALWAYS_ON_TOP,    &OBJECTID_LIST,     &NAV_LIGHTS_WHILE_PARKED,   &AEROWINX,          &GUID_CHANGES,
    &SCAN_LIVERIES,    &LIG_AUTOMATIC,     &LIG_PRIORITIZE,            &SCAN_AIRPORTS,     &LIGHT_AIRCRAFT,
    &HELICOPTERS,      &HIGH_PERF_AIRCRAFT, &AUTO_RANGE,               &AIRBORNE_ONLY,     &COLLISION_USER_GND,
    &COLLISION_USER_AIR, &COLLISION_LIVE_PARKED_GND, &STRAIGHT_PBS_ONLY, &INITIAL_LOAD_ONLY, &WEEK,
    &PARK_SOFT};

const ParameterRegistry<NumberParameter<std::int32_t>> numberParameters{
    &MAIN_WINDOW_X,           &MAIN_WINDOW_Y,        &LAST_EPOCH_TIME, &CUSTOM_PARKING_PERCENTAGE,
    &HOLDING_THRESHOLD_METERS, &MAX_HOLDING_MINUTES, &MAX_FIT};

const ParameterRegistry<ComboNumberParameter<std::int32_t>> comboNumberParameters{
    &MATCHING_DEPTH, &RANGE, &AR_ABOVE_HEIGHT, &MAX_PARK_SEL, &MAX_LIVE_SEL, &AIRP_RANGE, &AIRP_HEIGHT};

const ParameterRegistry<StringParameter> stringParameters{
    &PROGRAM_VERSION, &MSFS_INSTALL_PATH, &PORT_NUMBER,
    &lfolders[0],     &lfolders[1],       &lfolders[2],       &lfolders[3],          &lfolders[4],
    &lfolders[5],     &lfolders[6],       &lfolders[7],       &lfolders[8],          &lfolders[9],
    &AIG_VERSION,     &DBASE_VERSION,     &AIRPORTS_VERSION,  &LIV_SCAN_VERSION,     &ADDONS_SCAN_VERSION,
    &MYSIMADDON24_VERSION, &MSFS_2024_INSTALL_PATH, &AI_PACKAGE_SELECTOR, &DESTINATION};

const ParameterRegistry<EditStringParameter> controlStringParameters{&BLOCK_CALLSIGN, &SIM_CHOICE};

std::atomic<double> rangeNm{static_cast<double>(RANGE.current())};
std::atomic<std::int32_t> rangeMetres{RANGE.current() * metresPerNauticalMile};

const std::array<const std::string*, 8> apfParameterKeys{
    &RANGE.key, &AUTO_RANGE.key, &INITIAL_LOAD_ONLY.key, &PARK_SOFT.key,
    &parking_percentage.key, &MAX_FIT.key, &WEEK.key, &MAX_LIVE_SEL.key};

void gf_fillCallsignCombo() { CALLSIGN_2_OBJECTID.fillCombo(); }

float gf_maxFitHours(int index) {
  struct Step {
    int from;
    float hours;
  };
  static constexpr std::array<Step, 11> wholeHours{{{44, 24.0F}, {38, 21.0F}, {32, 18.0F}, {26, 15.0F},
                                                    {22, 12.0F}, {20, 11.0F}, {18, 10.0F}, {16, 9.0F},
                                                    {14, 8.0F}, {12, 7.0F}, {10, 6.0F}}};
  for (const Step& step : wholeHours)
    if (index >= step.from) return step.hours;
  // Below ten the index counts half hours from one hour at index 1.
  if (index <= 0) return 0.5F;
  return static_cast<float>(index + 1) / 2.0F;
}

} // namespace gwr
