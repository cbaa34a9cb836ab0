// Applying and undoing the per-airport settings of the stand files, with every
// value from a file checked against the setting's range.
#include "airports/apf_settings.h"

#include <optional>

#include <fmt/format.h>

#include "airports/apf_reader.h"
#include "airports/park_airport_shell.h"
#include "core/log.h"
#include "core/settings_catalogue.h"
#include "core/xml_parameter.h"
#include "platform/ui/controls.h"
#include "refdata/airports_table.h"

namespace gwr {

namespace {

// A learned file's number, or none (logged) when its text is no number.
std::optional<std::int32_t> lf_readIntSetting(const pugi::xml_node& document, const std::string& key) {
  const auto text = gf_readStringParameter(document, key);
  if (!text) return std::nullopt;
  const auto value = gf_parseWholeInt(*text);
  if (!value) gf_logError(fmt::format("{}: '{}' is not a number, ignored", key, *text));
  return value;
}

// value brought into the setting's range; a change is logged.
std::int32_t lf_clampLogged(const NumberParameter<std::int32_t>& setting, std::int32_t value) {
  const std::int32_t clamped = setting.clamped(value);
  if (clamped != value)
    gf_logError(fmt::format("{}: {} is out of range {}..{}, {} taken", setting.key, value, setting.min, setting.max,
                            clamped));
  return clamped;
}

void lf_setCheck(CheckboxBoolParameter& setting, bool value) {
  setting.setCurrent(value);
  setting.showCheck();
}

void lf_logSetting(const std::string& key, const std::string& value) {
  gf_logIndented(fmt::format("{:24}: {}", key, value));
}

std::optional<bool> lf_applyLearnedCheck(const pugi::xml_node& document, CheckboxBoolParameter& setting) {
  const auto value = gf_readBoolParameter(document, setting.key);
  if (!value) return std::nullopt;
  lf_setCheck(setting, *value);
  lf_logSetting(setting.key, *value ? "true" : "false");
  return value;
}

std::int32_t lf_stockParkingPercent(FixedCode<4> airport) {
  const AirportRecord* found = gf_findAirport(airport);
  if (!found) return defaultParkingPercent;
  if (found->stands == 1) return fullParkingPercent;
  if (found->stands == 2) return halfParkingPercent;
  return defaultParkingPercent;
}

} // namespace

ApfOverrides gf_currentApfSettings() {
  return {MAX_LIVE_SEL.current(), MAX_FIT.current(),          RANGE.current(),     parking_percentage.current(),
          AUTO_RANGE.current(),   INITIAL_LOAD_ONLY.current(), PARK_SOFT.current(), WEEK.current()};
}

void gf_applyLearnedSettings(const pugi::xml_node& document) {
  ParkAirportShell& shell = gf_parkAirportShell();
  if (const auto value = lf_readIntSetting(document, MAX_LIVE_SEL.key)) {
    MAX_LIVE_SEL.setCurrent(lf_clampLogged(MAX_LIVE_SEL, *value));
    gf_showNumberParameter(MAX_LIVE_SEL);
    lf_logSetting(MAX_LIVE_SEL.key, fmt::format("{}", MAX_LIVE_SEL.current()));
  }
  if (const auto value = lf_readIntSetting(document, RANGE.key)) {
    shell.setRange(lf_clampLogged(RANGE, *value));
    platform::gf_controlSurface().enable(RANGE.controlId, true);
    lf_logSetting(RANGE.key, fmt::format("{}", RANGE.current()));
  }
  if (lf_applyLearnedCheck(document, AUTO_RANGE)) shell.applyAutoRange();
  const auto percent = lf_readIntSetting(document, parking_percentage.key);
  parking_percentage.setCurrent(percent ? lf_clampLogged(parking_percentage, *percent) : defaultParkingPercent);
  gf_showNumberParameter(parking_percentage);
  if (percent) lf_logSetting(parking_percentage.key, fmt::format("{}", parking_percentage.current()));
  lf_applyLearnedCheck(document, WEEK);
  lf_applyLearnedCheck(document, PARK_SOFT);
  if (const auto value = lf_readIntSetting(document, MAX_FIT.key)) {
    MAX_FIT.setCurrent(lf_clampLogged(MAX_FIT, *value));
    shell.selectMaxFit();
    gf_logIndented(fmt::format("{:24}: {} (max number of half hours, is {:.1F} hrs decimal)", MAX_FIT.key,
                               MAX_FIT.current(), MAX_FIT_FL.current()));
  }
  if (const auto initialOnly = lf_applyLearnedCheck(document, INITIAL_LOAD_ONLY)) shell.enableNowButton(!*initialOnly);
}

void gf_applyAirportFileSettings(const QualityFactors& qf, FixedCode<4> airport) {
  if (qf.Qf_real < sparseRealQuality && qf.Qf_soft > 0) {
    lf_setCheck(PARK_SOFT, true);
    lf_setCheck(WEEK, true);
    MAX_FIT_FL.setCurrent(sparseAirportMaxFitHours);
    MAX_FIT_FL.fillCombo();
  } else if (qf.Qf_real > richRealQuality) {
    lf_setCheck(PARK_SOFT, false);
    lf_setCheck(WEEK, false);
  }
  parking_percentage.setCurrent(lf_stockParkingPercent(airport));
  gf_logIndented(fmt::format("{:24}: {}%", parking_percentage.key, parking_percentage.current()));
  gf_showNumberParameter(parking_percentage);
  platform::gf_controlSurface().enable(parking_percentage.controlId, true);
}

void gf_restoreApfParameters() {
  const ApfOverrides saved = apfOverrides;
  ParkAirportShell& shell = gf_parkAirportShell();
  auto restoreNumber = [](NumberParameter<std::int32_t>& setting, std::int32_t value) {
    if (setting.current() == value) return false;
    setting.setCurrent(setting.clamped(value));
    setting.save();
    return true;
  };
  auto restoreCheck = [](CheckboxBoolParameter& setting, bool value) {
    if (setting.current() == value) return false;
    lf_setCheck(setting, value);
    setting.save();
    return true;
  };
  if (restoreNumber(MAX_LIVE_SEL, saved.MAX_LIVE_SEL)) gf_showNumberParameter(MAX_LIVE_SEL);
  if (restoreNumber(MAX_FIT, saved.MAX_FIT)) {
    shell.selectMaxFit();
    MAX_FIT_FL.fillCombo();
  }
  if (restoreNumber(RANGE, saved.RANGE)) shell.setRange(RANGE.current());
  if (restoreNumber(parking_percentage, saved.parking_percentage)) gf_showNumberParameter(parking_percentage);
  if (restoreCheck(AUTO_RANGE, saved.AUTO_RANGE)) {
    platform::gf_controlSurface().enable(RANGE.controlId, !AUTO_RANGE.current());
    platform::gf_controlSurface().enable(AR_ABOVE_HEIGHT.controlId, AUTO_RANGE.current());
  }
  restoreCheck(INITIAL_LOAD_ONLY, saved.INITIAL_LOAD_ONLY);
  restoreCheck(PARK_SOFT, saved.PARK_SOFT);
  restoreCheck(WEEK, saved.WEEK);
}

} // namespace gwr
