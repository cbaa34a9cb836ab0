// Many search workers processing sections at once: each title becomes one
// livery, and every refusal is one report line.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "aircraft_cfg_fixture.h"
#include "liveries/fltsim_section.h"
#include "liveries/ivao_section.h"

namespace gwr {
namespace {

class FltsimTitlesConcurrencyTest : public testsupport::CfgFixture {};

TEST_F(FltsimTitlesConcurrencyTest, EachTitleIsTakenByOneWorker) {
  constexpr int workerCount = 8;
  constexpr int titleCount = 200;
  const std::filesystem::path folder = log.folder();
  std::filesystem::create_directories(folder / "texture.");
  std::atomic<int> records{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < workerCount; ++w) {
    workers.emplace_back([w, &records, &folder] {
      for (int t = 0; t < titleCount; ++t) {
        std::vector<std::string> lines{"[fltsim.0]", fmt::format("title = A320 DLH {}", t), "icao_airline = DLH"};
        // Half the workers go through the IVAO path, which shares the titles.
        if (w % 2 == 0) {
          records += static_cast<int>(gf_procesFltSimSection(1, lines, "A320", "F/aircraft.cfg", "F").size());
        } else {
          const LiveryData livery = gf_processIvaoFltSimSection(1, lines, "A320", folder / "aircraft.cfg", folder);
          records += gf_lacksAirlineOrModel(livery) ? 0 : 1;
        }
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(records.load(), titleCount);
  EXPECT_EQ(gf_scannedTitleCount(), static_cast<std::size_t>(titleCount));
  EXPECT_EQ(report(ScanReport::IncompleteSectionLines).size(),
            static_cast<std::size_t>(titleCount * (workerCount - 1)));
}

} // namespace
} // namespace gwr
