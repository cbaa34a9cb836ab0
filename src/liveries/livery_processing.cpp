// Building the livery and registration tables from the stored scan result at
// start-up, with the summary of what was built in the log.
#include "liveries/livery_processing.h"

#include <fmt/format.h>

#include "core/log.h"
#include "liveries/livery_categories.h"
#include "liveries/livery_record.h"
#include "liveries/livery_shell.h"
#include "liveries/livery_tables.h"
#include "liveries/regcode_lists.h"
#include "liveries/similar_models.h"

namespace gwr {

std::atomic<std::uint64_t> liveryCount{0};
std::atomic<bool> liveriesProcessed{false};

void gf_processScannedLiveries() {
  if (liveriesProcessed.load()) {
    gf_log("Processing scanned liveries skipped; already done in previous start-up");
    ScannedLiveries.clear();
    return;
  }
  // A processing that failed half-way left part of the tables; build afresh.
  gf_clearLiveryTables();
  PaxCargoModelTitles[cargoTable].reserve(reservedCargoModels);
  PaxCargoModelTitles[paxTable].reserve(reservedPaxModels);
  RegcodeTitleMap.reserve(reservedRegcodes);
  RegcodeTitleMap.max_load_factor(regcodeMapLoadFactor);

  gf_readLiveriesScanned(ScannedLiveries);
  liveryCount.store(ScannedLiveries.size());
  gf_repaintStatusPanel();

  gf_buildLiveryTables(ScannedLiveries);
  gf_buildPaxCargoTables();
  gf_processInlineRegcodes(ScannedLiveries);
  gf_processRegcodeFiles();
  gf_log(fmt::format("{:5} registration codes", RegcodeTitleMap.size()));
  gf_buildModelIndex();
  gf_log(fmt::format("{:5} airlines, {} pax aircraft models and {} cargo aircraft models", AirlineLiveryTable.size(),
                     PaxCargoModelTitles[paxTable].size(), PaxCargoModelTitles[cargoTable].size()));
  gf_buildSimilarModels();
  gf_log(" ");
  for (std::size_t slot = 0; slot < acCategoryCount; ++slot) gf_logCategorySummary(static_cast<AcCategory>(slot));
  gf_logGenericLiveries();

  liveriesProcessed.store(true);
  gf_repaintStatusPanel();
  ScannedLiveries.clear();
}

} // namespace gwr
