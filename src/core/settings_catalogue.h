// Every setting of the program as a global object, the six registries that
// decide which are stored in parameters.xml, and the globals derived from them.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "core/parameters.h"

namespace gwr {

// Registry 1: flags without a control.
extern BoolParameter RANDOM;

// Registry 2: the check boxes.
extern CheckboxBoolParameter ALWAYS_ON_TOP;
extern CheckboxBoolParameter OBJECTID_LIST;
extern CheckboxBoolParameter NAV_LIGHTS_WHILE_PARKED;
extern CheckboxBoolParameter AEROWINX;
extern CheckboxBoolParameter GUID_CHANGES;
extern CheckboxBoolParameter SCAN_LIVERIES;
extern CheckboxBoolParameter LIG_AUTOMATIC;
extern CheckboxBoolParameter LIG_PRIORITIZE;
extern CheckboxBoolParameter SCAN_AIRPORTS;
extern CheckboxBoolParameter LIGHT_AIRCRAFT;
extern CheckboxBoolParameter HELICOPTERS;
extern CheckboxBoolParameter HIGH_PERF_AIRCRAFT;
extern CheckboxBoolParameter AUTO_RANGE;
extern CheckboxBoolParameter AIRBORNE_ONLY;
extern CheckboxBoolParameter COLLISION_USER_GND;
extern CheckboxBoolParameter COLLISION_USER_AIR;
extern CheckboxBoolParameter COLLISION_LIVE_PARKED_GND;
extern CheckboxBoolParameter STRAIGHT_PBS_ONLY;
extern CheckboxBoolParameter INITIAL_LOAD_ONLY;
extern CheckboxBoolParameter WEEK;
extern CheckboxBoolParameter PARK_SOFT;

// Registry 3: integers without a control. The window position belongs to the
// main window; it lives here until that object exists.
extern NumberParameter<std::int32_t> MAIN_WINDOW_X;
extern NumberParameter<std::int32_t> MAIN_WINDOW_Y;
extern NumberParameter<std::int32_t> LAST_EPOCH_TIME;  // key "LAST_EPOCH_TIME:"
extern NumberParameter<std::int32_t> CUSTOM_PARKING_PERCENTAGE;
extern NumberParameter<std::int32_t> HOLDING_THRESHOLD_METERS;
extern NumberParameter<std::int32_t> MAX_HOLDING_MINUTES;
extern NumberParameter<std::int32_t> MAX_FIT;  // half hours

// Registry 4: integer drop-down lists.
extern ComboNumberParameter<std::int32_t> MATCHING_DEPTH;
extern ComboNumberParameter<std::int32_t> RANGE;            // nautical miles
extern ComboNumberParameter<std::int32_t> AR_ABOVE_HEIGHT;  // feet
extern ComboNumberParameter<std::int32_t> MAX_PARK_SEL;
extern ComboNumberParameter<std::int32_t> MAX_LIVE_SEL;
extern ComboNumberParameter<std::int32_t> AIRP_RANGE;       // nautical miles
extern ComboNumberParameter<std::int32_t> AIRP_HEIGHT;      // feet

// Registry 5: strings whose control, if any, is not refreshed on load and save.
extern StringParameter PROGRAM_VERSION;
extern StringParameter MSFS_INSTALL_PATH;
extern StringParameter PORT_NUMBER;
extern std::array<StringParameter, 10> lfolders;  // keys "lfolder0" to "lfolder9"
extern StringParameter AIG_VERSION;
extern StringParameter DBASE_VERSION;
extern StringParameter AIRPORTS_VERSION;
extern StringParameter LIV_SCAN_VERSION;
extern StringParameter ADDONS_SCAN_VERSION;
extern StringParameter MYSIMADDON24_VERSION;
extern StringParameter MSFS_2024_INSTALL_PATH;
extern ComboChoiceParameter AI_PACKAGE_SELECTOR;
extern EditStringParameter DESTINATION;

// Registry 6: strings whose control shows the value and is refreshed.
extern EditStringParameter BLOCK_CALLSIGN;
extern ComboChoiceParameter SIM_CHOICE;

// In no registry: kept for the life of the process only.
extern EditStringParameter ALL_INSTALL_PATH;
extern const std::shared_ptr<SharedChoiceList> callsignChoices;  // refilled by the traffic engine
extern ComboSharedChoiceParameter CALLSIGN_2_OBJECTID;
extern ComboNumberParameter<std::int32_t> parking_percentage;
extern ComboNumberParameter<float> MAX_FIT_FL;  // hours

// MAX_FIT (a half-hour index) as the hours of the MAX_FIT_FL list; the plan's
// log lines give their half-hour counts in the same hours.
float gf_maxFitHours(int index);

// Push buttons.
extern ButtonCommand CS_TO_OID_BUTTON;
extern ButtonCommand UNBLOCK_BUTTON;
extern ButtonCommand BLOCK_BUTTON;
extern ButtonCommand TBLO_ZIP_BUTTON;
extern ButtonCommand NOW_BUTTON;
extern ButtonCommand REREAD_BUTTON;
extern ButtonCommand FLUSH_STATIC_BUTTON;

// The registries, in the order parameters.xml holds them.
extern const ParameterRegistry<BoolParameter> boolParameters;
extern const ParameterRegistry<CheckboxBoolParameter> checkboxParameters;
extern const ParameterRegistry<NumberParameter<std::int32_t>> numberParameters;
extern const ParameterRegistry<ComboNumberParameter<std::int32_t>> comboNumberParameters;
extern const ParameterRegistry<StringParameter> stringParameters;
extern const ParameterRegistry<EditStringParameter> controlStringParameters;

// RANGE in nautical miles and metres, kept up to date by the shell's range setter.
extern std::atomic<double> rangeNm;
extern std::atomic<std::int32_t> rangeMetres;
inline constexpr std::int32_t metresPerNauticalMile = 1852;

// The settings that an airport stand file may override while it is in use.
extern const std::array<const std::string*, 8> apfParameterKeys;

// Shows the shared callsign list in the CALLSIGN_2_OBJECTID drop-down list.
void gf_fillCallsignCombo();

} // namespace gwr
