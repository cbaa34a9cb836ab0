// Test helper: a small reference database and a set of installed liveries
// turned into the livery tables, with the log open in a temporary folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "core/settings_catalogue.h"
#include "liveries/livery_record.h"
#include "liveries/livery_tables.h"
#include "liveries/refused_liveries.h"
#include "refdata/code_pools.h"
#include "refdata/dbase_reader.h"
#include "refdata/dbase_tables.h"
#include "support/encrypted_fixture.h"
#include "support/log_capture.h"

namespace gwr::testsupport {

struct LiverySpec {
  std::string airline, airlineOperator, model;
  bool cargo = false;
  std::string title, registration;
};

// Model sections are comma lists; similar and prefix groups are XML bodies.
struct WorldDbase {
  std::string models, heavy, large, buzjet, highPerf, rotorcraft, airlines;
  std::string similarGroups, prefixGroups;
};

inline std::string worldDbaseXml(const WorldDbase& d) {
  auto section = [](const std::string& name, const std::string& element, const std::string& attribute,
                    const std::string& list) {
    return "<" + name + "><" + element + " " + attribute + "=\"" + list + "\"/></" + name + ">\n";
  };
  return "<?xml version=\"1.0\"?>\n<root>\n" + section("aircrafts", "aircraft", "types", d.models) +
         section("cargo_types", "cargo_type", "types", "B77F") + section("heavy", "hvy", "types", d.heavy) +
         section("large", "lar", "types", d.large) + section("buzjet", "bzj", "types", d.buzjet) +
         section("high_performance", "hpf", "types", d.highPerf) +
         section("rotorcraft", "rot", "types", d.rotorcraft) + section("ICAO_airlines", "ICAO", "codes", d.airlines) +
         section("cargo_operators", "ICAO", "codes", "BOX") + section("simaddons20", "simaddon20", "arpts", "EHAM") +
         section("simaddons24", "simaddon24", "arpts", "EHAM") + "<similar_types>" + d.similarGroups +
         "</similar_types>\n<prefixes>" + d.prefixGroups + "</prefixes>\n</root>\n";
}

inline LiveryData toLiveryData(const LiverySpec& spec) {
  LiveryData livery;
  livery.title = spec.title;
  livery.registration = spec.registration;
  livery.key.airline = gf_airlineIndex(spec.airline);
  livery.key.airlineOperator = gf_airlineIndex(spec.airlineOperator);
  livery.key.model = gf_modelIndex(spec.model);
  livery.key.cargo = spec.cargo ? 1 : 0;
  return livery;
}

// Reads the database, builds every table from the liveries and files each
// livery's registration as the registration-code lists would.
class LiveryWorld {
 public:
  LiveryWorld() { reset(); }
  ~LiveryWorld() { reset(); }
  LiveryWorld(const LiveryWorld&) = delete;
  LiveryWorld& operator=(const LiveryWorld&) = delete;

  void load(const WorldDbase& dbase, const std::vector<LiverySpec>& specs) {
    const auto file = log_.folder() / "dbase.xml";
    writeBytes(file, worldDbaseXml(dbase));
    ASSERT_TRUE(gf_readDbaseXml(file));
    LiveryList scanned;
    for (const LiverySpec& spec : specs) scanned.push_back(toLiveryData(spec));
    gf_sortUniqueLiveries(scanned);
    gf_buildAllLiveryTables(scanned, nullptr);
    for (const LiveryData& livery : scanned) {
      if (!livery.registration.empty()) TitleRegcodeMap[gf_findLiveryTitle(livery.title)] = livery.registration;
    }
    log_.mark();
  }

  LogCapture& log() { return log_; }

 private:
  static void reset() {
    gf_clearLiveryTables();
    gf_clearMatchBookkeepingForTests();
    gf_clearDbaseForTests();
    RANDOM.setCurrent(RANDOM.defaultValue());
    MATCHING_DEPTH.setCurrent(MATCHING_DEPTH.defaultValue());
  }

  LogCapture log_;
};

} // namespace gwr::testsupport
