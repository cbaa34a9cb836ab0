// Benchmarks of the livery tables and matcher over a generated install of
// 30,000 liveries: building all tables, and matching one aircraft.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "core/settings_catalogue.h"
#include "liveries/livery_matcher.h"
#include "liveries/livery_record.h"
#include "liveries/livery_tables.h"
#include "refdata/code_pools.h"
#include "refdata/dbase_reader.h"
#include "refdata/dbase_tables.h"

namespace {

constexpr int liveryCount = 30000;
constexpr int modelCount = 300;
constexpr int airlineCount = 1500;
constexpr int aircraftCount = 4096;
constexpr int registrationEntries = 5000;  // registrations filed to a title

std::string lf_model(int m) { return fmt::format("M{:03}", m); }
std::string lf_airline(int a) { return fmt::format("A{:03}", a); }

// A reference database whose models fall in every category, in similar
// groups of three, with two groups of equivalent registration prefixes.
void lf_readDbase() {
  std::array<std::string, 6> sections;  // by category letter below
  const std::string letters = "LBGHPR";
  std::string models, airlines, similar;
  for (int m = 0; m < modelCount; ++m) {
    models += lf_model(m) + ",";
    sections[letters.find("LGGGHBBPRL"[m % 10])] += lf_model(m) + ",";
    if (m % 3 == 0 && m + 2 < modelCount) {
      similar += fmt::format(R"(<similar types="{},{},{}"/>)", lf_model(m), lf_model(m + 1), lf_model(m + 2));
    }
  }
  for (int a = 0; a < airlineCount; ++a) airlines += lf_airline(a) + ",";
  for (auto* text : {&models, &airlines}) text->pop_back();
  for (auto& text : sections) text.pop_back();
  auto section = [](const char* name, const char* element, const char* attribute, const std::string& list) {
    return fmt::format("<{0}><{1} {2}=\"{3}\"/></{0}>\n", name, element, attribute, list);
  };
  const std::string xml =
      "<?xml version=\"1.0\"?>\n<root>\n" + section("aircrafts", "aircraft", "types", models) +
      section("cargo_types", "cargo_type", "types", lf_model(3)) + section("heavy", "hvy", "types", sections[3]) +
      section("large", "lar", "types", sections[2]) + section("buzjet", "bzj", "types", sections[1]) +
      section("high_performance", "hpf", "types", sections[4]) + section("rotorcraft", "rot", "types", sections[5]) +
      section("ICAO_airlines", "ICAO", "codes", airlines + ",ZZZ,PVT") +
      section("cargo_operators", "ICAO", "codes", lf_airline(1)) +
      section("simaddons20", "simaddon20", "arpts", "EHAM") + section("simaddons24", "simaddon24", "arpts", "EHAM") +
      "<similar_types>" + similar + "</similar_types>\n" +
      R"(<prefixes><similar types="G-,M-,EI-"/><similar types="D-,OE-,HB-"/></prefixes>)" + "\n</root>\n";
  const auto file = std::filesystem::temp_directory_path() / fmt::format("gwr-bench-dbase-{}.xml", ::getpid());
  std::ofstream(file, std::ios::binary) << xml;
  gwr::gf_clearDbaseForTests();
  gwr::gf_readDbaseXml(file);
  std::filesystem::remove(file);
}

const std::vector<std::string> prefixes{"G-", "M-", "EI-", "D-", "OE-", "N", "F-", "PH-", "C-", "VH-"};

gwr::LiveryList lf_install() {
  std::mt19937 random(2024);
  gwr::LiveryList scanned;
  for (int i = 0; i < liveryCount; ++i) {
    gwr::LiveryData livery;
    // Airlines keep to a dozen models each; some liveries are generic or private.
    const int airline = static_cast<int>(random() % airlineCount);
    const std::string code = i % 50 == 0 ? "ZZZ" : (i % 37 == 0 ? "PVT" : lf_airline(airline));
    livery.key.airline = gwr::gf_airlineIndex(code);
    if (i % 40 == 0) livery.key.airlineOperator = gwr::gf_airlineIndex(lf_airline((airline + 1) % airlineCount));
    livery.key.model = gwr::gf_modelIndex(lf_model((airline * 13 + static_cast<int>(random() % 12) * 7) % modelCount));
    livery.key.cargo = random() % 6 == 0 ? 1 : 0;
    livery.title = fmt::format("{} {} livery number {}", code, gwr::gf_modelCode(livery.key.model), i);
    livery.registration = fmt::format("{}{:05}", prefixes[random() % prefixes.size()], i);
    scanned.push_back(std::move(livery));
  }
  gwr::gf_sortUniqueLiveries(scanned);
  return scanned;
}

void lf_fileRegistrations(const gwr::LiveryList& scanned) {
  int filed = 0;
  for (const gwr::LiveryData& livery : scanned) {
    const std::string_view title = gwr::gf_findLiveryTitle(livery.title);
    gwr::TitleRegcodeMap[title] = livery.registration;
    if (filed++ < registrationEntries) gwr::RegcodeTitleMap[livery.registration] = title;
  }
}

std::vector<gwr::AcDescription> lf_aircraft() {
  std::mt19937 random(7);
  std::vector<gwr::AcDescription> aircraft;
  aircraft.reserve(aircraftCount);
  for (int i = 0; i < aircraftCount; ++i) {
    gwr::AcIdentity identity;
    identity.key.airline = gwr::gf_airlineIndex(random() % 5 == 0 ? "XYZ" : lf_airline(random() % airlineCount));
    identity.key.model = gwr::gf_modelIndex(lf_model(random() % modelCount));
    identity.key.cargo = random() % 8 == 0 ? 1 : 0;
    identity.callsign = fmt::format("BEN{}", i);
    identity.registration = fmt::format("{}{:05}", prefixes[random() % prefixes.size()], random() % (2 * liveryCount));
    aircraft.emplace_back(identity);
  }
  return aircraft;
}

void buildTables(benchmark::State& state) {
  lf_readDbase();
  const gwr::LiveryList scanned = lf_install();
  for (auto _ : state) {
    gwr::gf_clearLiveryTables();
    gwr::gf_buildAllLiveryTables(scanned, nullptr);
  }
  state.counters["liveries"] = static_cast<double>(scanned.size());
}
BENCHMARK(buildTables)->Unit(benchmark::kMillisecond);

void matchLiveAircraft(benchmark::State& state) {
  lf_readDbase();
  const gwr::LiveryList scanned = lf_install();
  gwr::gf_clearLiveryTables();
  gwr::gf_buildAllLiveryTables(scanned, nullptr);
  lf_fileRegistrations(scanned);
  gwr::RANDOM.setCurrent(state.range(0) != 0);
  std::vector<gwr::AcDescription> aircraft = lf_aircraft();
  std::size_t next = 0;
  std::int64_t matched = 0;
  for (auto _ : state) {
    gwr::AcDescription& ac = aircraft[next++ % aircraft.size()];
    ac.livery = {};
    gwr::gf_matchLiveAircraft(ac);
    matched += ac.livery.empty() ? 0 : 1;
  }
  state.counters["matched%"] = 100.0 * static_cast<double>(matched) / static_cast<double>(state.iterations());
}
BENCHMARK(matchLiveAircraft)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
