// Reading and writing parameters.xml under one mutex, as several threads save;
// controls are refreshed after it is released (the window thread may be waiting).
#include "core/settings_file.h"

#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/parameters.h"
#include "core/paths.h"
#include "core/settings_catalogue.h"
#include "core/settings_document.h"
#include "core/status_line.h"
#include "core/text_files.h"
#include "core/text_utils.h"
#include "core/version.h"
#include "core/xml_parameter.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>

#include <fmt/format.h>

namespace gwr {

namespace {

std::mutex settingsFileMutex;

constexpr std::int64_t bannerHalfWidth = 35;  // with " parameters " the line is 80 wide
constexpr std::int64_t closingBannerWidth = 80;

std::string lf_openingBanner() {
  return gf_bannerLine(bannerHalfWidth, bannerHalfWidth, true, false, "parameters");
}
std::string lf_closingBanner() { return gf_bannerLine(closingBannerWidth, 0, false, true, ""); }

const char* lf_boolText(bool value) { return value ? "true" : "false"; }

void lf_logAppendFailure(const std::string& key, const std::string& currentText) {
  gf_log(fmt::format("{}adding xml parameter {} with {} failed!", "===> ", key, currentText));
}

// Keeps a file that cannot be used as its "0" generation before it is
// replaced. False when no copy could be made: the file must then stay.
bool lf_keepUnreadableCopy(const std::filesystem::path& path, const std::string& description) {
  gf_logError(fmt::format("{} failed to load ({}). Saved as 0.xml and removed.", gf_pathToUtf8(path),
                          description));
  if (gf_save1GenerationOf(path)) return true;
  gf_logError(fmt::format("{} is kept as it is: no copy could be made", gf_pathToUtf8(path)));
  return false;
}

// A file that is there but cannot be read may hold the user's settings: it is
// never written over, and the user is told why the settings are not saved.
void lf_reportUnreadable(const std::filesystem::path& path, const std::string& cause) {
  setStatusError(fmt::format("{} cannot be read ({}); settings are not saved until it can be",
                             gf_pathToUtf8(path), cause));
}

// Reads the file; a damaged one is kept as its "0" generation and counts as
// unreadable when no copy could be made, so that it is not written over.
SettingsFileRead lf_readSettings(const std::filesystem::path& path, pugi::xml_document& loaded,
                                 bool parametersRequired) {
  SettingsFileRead read = gf_readSettingsDocument(path, loaded);
  if (read.state == SettingsFileState::loaded && parametersRequired && !gf_findParametersNode(loaded))
    read = {SettingsFileState::damaged, "no parameters element"};
  if (read.state == SettingsFileState::damaged && !lf_keepUnreadableCopy(path, read.cause))
    read.state = SettingsFileState::unreadable;
  return read;
}

// A choice stored by hand or by another version may be none of the list; it
// would silently pass for one of them, so the default is used in memory.
void lf_checkStoredChoice(ComboChoiceParameter& parameter) {
  if (parameter.indexOfValue()) return;
  const std::string stored = parameter.current();
  parameter.setCurrent(parameter.defaultValue());
  setStatusText(fmt::format("{}=\"{}\" is not one of its choices; \"{}\" is used", parameter.key, stored,
                            parameter.defaultValue()),
                true);
}

// A failed save is logged and shown; the values stay in memory either way.
void lf_saveOrLog(pugi::xml_document& document, const std::filesystem::path& path) {
  if (gf_saveXml(document, path)) return;
  const std::string text = fmt::format("saving: {} failed", gf_pathToUtf8(path));
  gf_logError(text);
  setStatusText(text, false);
}

// Caller holds settingsFileMutex.
void lf_writeAllSettings(bool defaults) {
  const std::filesystem::path path = gf_parametersFile();
  pugi::xml_document document;
  pugi::xml_node root = document.append_child("root");
  if (defaults) PROGRAM_VERSION.setDefaultValue(programVersion.text());
  pugi::xml_node parameters = root.append_child("parameters");
  if (parameters) {
    for (auto* p : boolParameters) p->appendTo(parameters, defaults);
    for (auto* p : checkboxParameters) p->appendTo(parameters, defaults);
    for (auto* p : numberParameters) p->appendTo(parameters, defaults);
    for (auto* p : comboNumberParameters) p->appendTo(parameters, defaults);
    for (auto* p : stringParameters) p->appendTo(parameters, defaults);
    for (auto* p : controlStringParameters) p->appendTo(parameters, defaults);
    lf_saveOrLog(document, path);
  }
  gf_log(lf_closingBanner());
}

// Caller holds settingsFileMutex. The root goes around the user's own file,
// everything in it kept (values not loaded yet too); only a missing or
// damaged file is written anew from memory. True when written anew.
bool lf_addRootLocked() {
  const std::filesystem::path path = gf_parametersFile();
  pugi::xml_document loaded;
  const SettingsFileRead read = lf_readSettings(path, loaded, false);
  if (read.state == SettingsFileState::unreadable) {
    lf_reportUnreadable(path, read.cause);
    return false;
  }
  if (read.state == SettingsFileState::loaded && loaded.child("root")) return false;  // placed meanwhile
  gf_log("\nPlacing a root level around a new parameters.xml to make it 100% xml compliance\n");
  if (read.state != SettingsFileState::loaded) {
    lf_writeAllSettings(false);
    return true;
  }
  if (!gf_placeRoot(loaded)) {
    gf_logError(fmt::format("{}: the root level could not be made", gf_pathToUtf8(path)));
    return false;
  }
  lf_saveOrLog(loaded, path);
  return false;
}

// Caller must not hold settingsFileMutex.
void lf_refreshControls() {
  for (auto* p : checkboxParameters) p->showCheck();
  for (auto* p : comboNumberParameters) gf_showNumberParameter(*p);
  for (auto* p : controlStringParameters) gf_showStringParameter(*p);
}

// Writes one setting's current value into the file. A file that is missing or
// damaged is written whole, so no other stored setting is lost; one that
// cannot be read is left alone and reported.
void lf_saveOne(const std::string& key, const std::string& valueText, const std::function<void()>& logLine) {
  std::unique_lock lock(settingsFileMutex);
  const std::filesystem::path path = gf_parametersFile();
  pugi::xml_document loaded;
  const SettingsFileRead read = lf_readSettings(path, loaded, false);
  if (read.state == SettingsFileState::unreadable) {
    logLine();
    lf_reportUnreadable(path, read.cause);
    return;
  }
  if (read.state != SettingsFileState::loaded) {
    logLine();
    lf_writeAllSettings(false);
    lock.unlock();
    lf_refreshControls();
    return;
  }

  const bool root = static_cast<bool>(loaded.child("root"));
  const pugi::xml_node parameters = gf_writableParameters(loaded);
  if (!parameters) {
    logLine();
    lf_logAppendFailure(key, valueText);
    return;
  }

  bool matched = false;
  for (pugi::xml_node parameter : parameters.children("parameter")) {
    if (key == parameter.attribute("name").value()) {
      gf_setOrAppendAttribute(parameter, "value", valueText);
      matched = true;
    }
  }
  if (!matched) gf_appendStringParameter(parameters, key, valueText);
  logLine();
  lf_saveOrLog(loaded, path);
  if (root) return;
  lock.unlock();
  gf_addRootToParametersXml();
}

} // namespace

// --- per-class operations ---------------------------------------------------

bool BoolParameter::load(const pugi::xml_node& document) {
  const std::optional<bool> stored = gf_readBoolParameter(document, key);
  setCurrent(stored.value_or(defaultValue()));
  log();
  return stored.has_value();
}

void BoolParameter::appendTo(pugi::xml_node parameters, bool defaults) const {
  if (!gf_appendBoolParameter(parameters, key, defaults ? defaultValue() : current()))
    lf_logAppendFailure(key, lf_boolText(current()));
  log();
}

void BoolParameter::log() const { gf_logIfRunning(fmt::format("{}={}", key, lf_boolText(current()))); }

void BoolParameter::save() const {
  lf_saveOne(key, lf_boolText(current()), [this] { log(); });
}

template <class T>
void NumberParameter<T>::appendTo(pugi::xml_node parameters, bool defaults) const {
  const T value = defaults ? defaultValue() : current();
  if (!gf_appendStringParameter(parameters, key, fmt::format("{}", value)))
    lf_logAppendFailure(key, fmt::format("{}", current()));
  log();
}

template <class T>
void NumberParameter<T>::log() const {
  gf_logIfRunning(fmt::format("{}={}", key, current()));
}

template <class T>
void NumberParameter<T>::save() const {
  lf_saveOne(key, fmt::format("{}", current()), [this] { log(); });
}

template class NumberParameter<std::int32_t>;
template class NumberParameter<float>;

bool StringParameter::load(const pugi::xml_node& document) {
  std::optional<std::string> stored = gf_readStringParameter(document, key);
  const bool found = stored.has_value();
  setCurrent(found ? std::move(*stored) : defaultValue());
  log();
  return found;
}

void StringParameter::appendTo(pugi::xml_node parameters, bool defaults) const {
  if (!gf_appendStringParameter(parameters, key, defaults ? defaultValue() : current()))
    lf_logAppendFailure(key, current());
  log();
}

void StringParameter::log() const { gf_logIfRunning(fmt::format("{}=\"{}\"", key, current())); }

void StringParameter::save() const {
  lf_saveOne(key, current(), [this] { log(); });
}

// --- whole file ---------------------------------------------------------------

bool gf_loadParameters() {
  std::unique_lock lock(settingsFileMutex);
  gf_log(lf_openingBanner());
  const std::filesystem::path path = gf_parametersFile();
  const std::string pathText = gf_pathToUtf8(path);

  pugi::xml_document loaded;
  const SettingsFileRead read = lf_readSettings(path, loaded, true);
  if (read.state == SettingsFileState::unreadable) {
    lf_reportUnreadable(path, read.cause);
    gf_log(lf_closingBanner());
    lock.unlock();
    lf_refreshControls();
    return false;
  }
  if (read.state != SettingsFileState::loaded) {
    gf_log(fmt::format("{} not found, creating new with default values:", pathText));
    lf_writeAllSettings(true);
    lock.unlock();
    lf_refreshControls();
    return true;
  }

  gf_log(fmt::format("from '{}'", pathText));
  const bool root = static_cast<bool>(loaded.child("root"));
  const pugi::xml_node parameters = gf_writableParameters(loaded);
  auto loadBool = [&](BoolParameter& p) {
    if (!p.load(loaded)) gf_appendBoolParameter(parameters, p.key, p.current());
  };
  auto loadNumber = [&](NumberParameter<std::int32_t>& p) {
    if (const std::optional<int> stored = gf_readIntParameter(loaded, p.key)) {
      p.setCurrent(p.clamped(*stored));
      p.log();
    } else {
      p.setCurrent(p.defaultValue());
      p.log();
      gf_appendIntParameter(parameters, p.key, p.current());
    }
  };
  auto loadString = [&](StringParameter& p) {
    if (!p.load(loaded)) gf_appendStringParameter(parameters, p.key, p.current());
  };
  for (auto* p : boolParameters) loadBool(*p);
  for (auto* p : checkboxParameters) loadBool(*p);
  for (auto* p : numberParameters) loadNumber(*p);
  for (auto* p : comboNumberParameters) loadNumber(*p);
  for (auto* p : stringParameters) loadString(*p);
  for (auto* p : controlStringParameters) loadString(*p);
  lf_checkStoredChoice(SIM_CHOICE);

  lf_saveOrLog(loaded, path);
  gf_log(lf_closingBanner());
  lock.unlock();
  lf_refreshControls();
  if (!root) gf_addRootToParametersXml();
  return false;
}

void gf_saveParameters(bool defaults) {
  {
    std::lock_guard lock(settingsFileMutex);
    lf_writeAllSettings(defaults);
  }
  lf_refreshControls();
}

void gf_addRootToParametersXml() {
  bool writtenAnew = false;
  {
    std::lock_guard lock(settingsFileMutex);
    writtenAnew = lf_addRootLocked();
  }
  if (writtenAnew) lf_refreshControls();
}

void gf_readWindowPosition() {
  std::lock_guard lock(settingsFileMutex);
  const std::filesystem::path path = gf_parametersFile();
  pugi::xml_document document;
  // An unreadable file is reported when the settings are loaded.
  const SettingsFileRead read = lf_readSettings(path, document, false);
  if (read.state == SettingsFileState::damaged) {
    std::error_code error;
    gf_removePath(path, error);
  }
  if (read.state != SettingsFileState::loaded) return;
  for (auto* p : {&MAIN_WINDOW_X, &MAIN_WINDOW_Y}) {
    const std::optional<int> stored = gf_readIntParameter(document, p->key);
    p->setCurrent(stored ? p->clamped(*stored) : p->defaultValue());
  }
}

} // namespace gwr
