// Writes "ObjectIdList.txt" once a minute and the "{}.pln" flight plans of
// live aircraft; a failed write is reported, never taken for success.
#include "traffic/engine/status_files.h"

#include <fmt/format.h>

#include <cstdio>

#include "core/log.h"
#include "core/paths.h"
#include "core/text_files.h"
#include "core/text_utils.h"
#include "refdata/code_pools.h"

namespace gwr {

namespace {
bool isIfrCategory(AcCategory category) {
  return category == AcCategory::Buzjets || category == AcCategory::Large || category == AcCategory::Heavy;
}
} // namespace

std::string gf_statusLine(const LiveAc& ac) {
  return fmt::format("{};{};{};{};{};{};{}", gf_objectIdText(ac.sim.objectId), ac.callsign, ac.registration,
                     gf_airlineCode(ac.key.airline), gf_modelCode(ac.key.model), ac.onGroundConfirmed ? "GND" : "AIR",
                     ac.phase == AcPhase::Parked ? "PARKED" : "");
}

bool lf_writeStatusFile(const std::vector<LiveAc>& live, const std::filesystem::path& file) {
  std::vector<std::string> lines;
  lines.reserve(live.size() + 1);
  for (const LiveAc& ac : live) {
    if (ac.sim.simState == AcSimState::Active) lines.push_back(gf_statusLine(ac));
  }
  if (gf_writeTextLines(lines, file)) return true;
  gf_logError(fmt::format("Failed to write {}", file.string()));
  return false;
}

bool gf_createFlightPlanFolder(const std::filesystem::path& base) {
  flightPlanFolder = base / flightPlanFolderName;
  std::string cause;
  if (gf_makeFolders(flightPlanFolder, cause)) return true;
  gf_log(fmt::format("gf_createFlightPlanFolder: {}", cause));
  return false;
}

std::filesystem::path gf_flightPlanPath(std::uint32_t objectId) {
  return flightPlanFolder / fmt::format("{}.pln", objectId);
}

std::string gf_flightPlanText(const AcDescription& ac) {
  return fmt::format("{}\n{}\n{}\n{}{}{}\n{}{}{}\n{}{}{}\n{}\n{}\n", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                     "<SimBase.Document Type=\"AceXML\" version=\"4,3\">", "<FlightPlan.FlightPlan>", "<FPType>",
                     isIfrCategory(ac.category) ? "IFR" : "VFR", "</FPType>", "<DepartureID>", ac.origin.view(),
                     "</DepartureID>", "<DestinationID>", ac.destination.view(), "</DestinationID>",
                     "</FlightPlan.FlightPlan>", "</SimBase.Document>") +
         "\n";
}

bool gf_writeFlightPlan(const std::filesystem::path& file, const AcDescription& ac) {
  std::string cause;
  std::FILE* out = gf_openForWriting(file, cause);
  if (out == nullptr) return false;
  const std::string text = gf_flightPlanText(ac);
  const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  // A full disk shows only here: a plan that did not reach the file is no plan.
  return std::fclose(out) == 0 && written;
}

} // namespace gwr
