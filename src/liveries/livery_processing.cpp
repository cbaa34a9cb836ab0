// Building the livery and registration tables from the stored scan result at
// start-up, with the summary of what was built in the log.
#include "liveries/livery_processing.h"

#include <fmt/format.h>

#include "core/log.h"
#include "core/main_window_state.h"
#include "core/status_line.h"
#include "liveries/livery_scan.h"
#include "liveries/livery_record.h"
#include "liveries/livery_shell.h"
#include "liveries/livery_tables.h"
#include "liveries/regcode_lists.h"

namespace gwr {

namespace {

// A damaged result would stop every later start: it is set aside and the
// liveries scanned again, as when no result exists.
void lf_readOrRescan() {
  try {
    gf_readLiveriesScanned(ScannedLiveries);
  } catch (const DamagedScanResult& damaged) {
    const std::filesystem::path aside = gf_setAsideDamagedScanResult();
    setStatusText(fmt::format("The liveries scan result is damaged ({}); kept as {}, scanning again", damaged.what(),
                              aside.string()),
                  true);
    gf_scanLiveries();
    gf_readLiveriesScanned(ScannedLiveries);
  }
}

} // namespace

std::atomic<std::uint64_t> liveryCount{0};
std::atomic<bool> liveriesProcessed{false};

void gf_processScannedLiveries() {
  if (liveriesProcessed.load()) {
    gf_log("Processing scanned liveries skipped; already done in previous start-up");
    ScannedLiveries.clear();
    return;
  }
  lf_readOrRescan();
  liveryCount.store(ScannedLiveries.size());
  gf_mainWindow().liveries.store(ScannedLiveries.size());
  gf_repaintStatusPanel();

  gf_buildAllLiveryTables(ScannedLiveries, [] {
    gf_processInlineRegcodes(ScannedLiveries);
    gf_processRegcodeFiles();
    gf_log(fmt::format("{:5} registration codes", RegcodeTitleMap.size()));
  });

  liveriesProcessed.store(true);
  gf_repaintStatusPanel();
  ScannedLiveries.clear();
}

} // namespace gwr
