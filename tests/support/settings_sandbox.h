// Test helper: a temporary working folder with the log open, a per-user folder
// of its own, and every setting back at its default.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "core/paths.h"
#include "core/settings_catalogue.h"
#include "platform/sys/known_folders.h"
#include "platform/ui/controls.h"
#include "support/log_capture.h"

namespace gwr::testsupport {

inline void resetSettingsToDefaults() {
  PROGRAM_VERSION.setDefaultValue("");
  for (auto* p : boolParameters) p->setCurrent(p->defaultValue());
  for (auto* p : checkboxParameters) p->setCurrent(p->defaultValue());
  for (auto* p : numberParameters) p->setCurrent(p->defaultValue());
  for (auto* p : comboNumberParameters) p->setCurrent(p->defaultValue());
  for (auto* p : stringParameters) p->setCurrent(p->defaultValue());
  for (auto* p : controlStringParameters) p->setCurrent(p->defaultValue());
}

class SettingsSandbox {
 public:
  SettingsSandbox() {
    platform::setKnownFolderRootForTests(log_.folder() / "known");
    gf_resetPerUserPathsForTests();
    std::filesystem::create_directories(gf_perUserFolder());
    resetSettingsToDefaults();
    platform::gf_headlessControlSurface().removeAllControls();
  }
  ~SettingsSandbox() {
    platform::gf_headlessControlSurface().removeAllControls();
    resetSettingsToDefaults();
    platform::setKnownFolderRootForTests({});
    gf_resetPerUserPathsForTests();
  }
  SettingsSandbox(const SettingsSandbox&) = delete;
  SettingsSandbox& operator=(const SettingsSandbox&) = delete;

  LogCapture& log() { return log_; }
  std::filesystem::path file() const { return gf_parametersFile(); }

  void writeFile(const std::string& text) const { writeText(file(), text); }
  static void writeText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
  }
  std::string fileText() const { return readWhole(file()); }
  static std::string readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // (name, value) of every parameter element under root/parameters, in order.
  std::vector<std::pair<std::string, std::string>> storedEntries() const {
    pugi::xml_document document;
    std::vector<std::pair<std::string, std::string>> entries;
    if (!document.load_file(file().c_str())) return entries;
    for (auto parameter : document.child("root").child("parameters").children("parameter"))
      entries.emplace_back(parameter.attribute("name").value(), parameter.attribute("value").value());
    return entries;
  }
  std::string storedValue(const std::string& key) const {
    for (auto& [name, value] : storedEntries())
      if (name == key) return value;
    return "<missing>";
  }

 private:
  LogCapture log_;
};

} // namespace gwr::testsupport
