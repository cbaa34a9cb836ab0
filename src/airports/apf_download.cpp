// Downloading archived stand files per simulator edition, and the search for
// the stand of an airport nearest to a position.
#include "airports/apf_download.h"

#include <algorithm>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "airports/apf_locations.h"
#include "airports/apf_meta.h"
#include "airports/apf_reader.h"
#include "airports/airports_constants.h"
#include "core/download.h"
#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/run_state.h"
#include "core/xml_file.h"
#include "refdata/airport_services.h"

namespace gwr {

namespace {

constexpr std::string_view edition2020Folder = "MSFS/";
constexpr std::string_view edition2024Folder = "MSFS2024/";

// Removes the downloaded copy however the search ends.
class DownloadedCopy {
public:
  explicit DownloadedCopy(std::filesystem::path file) : file_(std::move(file)) {}
  ~DownloadedCopy() {
    if (!file_.empty()) gf_removeIfPresent(file_);
  }
  DownloadedCopy(const DownloadedCopy&) = delete;
  DownloadedCopy& operator=(const DownloadedCopy&) = delete;

private:
  std::filesystem::path file_;
};

double lf_closestStand(FixedCode<4> icao, const LatLon& position, std::string& standId) {
  const std::string path = gf_locateApf(icao);
  if (path.empty()) return noStandDistanceNm;
  std::filesystem::path file = path;
  std::filesystem::path downloaded;
  if (path.substr(0, localApfPrefix.size()) != localApfPrefix) {
    file = downloaded = closestStandFileName;
    if (!gf_downloadArchivedApf(path, file).empty()) return noStandDistanceNm;
  }
  const DownloadedCopy cleanup(downloaded);
  pugi::xml_document document;
  if (!gf_loadXmlFile(document, file) || !gf_readApfMeta(document, path)) return noStandDistanceNm;
  // The writer puts parkpositions under root; older files have it at the top.
  const pugi::xml_node parkpositions = gf_findParkPositions(document);
  double best = noStandDistanceNm;
  for (const pugi::xml_node parkpos : parkpositions.children("parkpos")) {
    const LatLon stand{parkpos.attribute("latitude").as_double(), parkpos.attribute("longitude").as_double()};
    const double distanceNm = gf_greatCircleDistanceNm(position, stand);
    if (distanceNm < best) {
      best = distanceNm;
      standId = parkpos.attribute("id").value();
    }
  }
  return best;
}

} // namespace

std::string gf_archivedApfUrl(const std::string& stored) {
  std::string relative = stored;
  std::replace(relative.begin(), relative.end(), '\\', '/');
  const std::string_view edition = SimEdition.load() ? edition2020Folder : edition2024Folder;
  return fmt::format("{}{}{}", gf_downloadFolderUrl(), edition, relative);
}

std::string gf_downloadArchivedApf(const std::string& stored, const std::filesystem::path& destination) {
  const std::string url = gf_archivedApfUrl(stored);
  if (destination.has_parent_path()) {
    std::error_code ignored;  // a missing folder shows as a failed download
    gf_makeFolders(destination.parent_path(), ignored);
  }
  const CurlHandle handle = gf_newCurlHandle();
  if (gf_downloadFile(handle.get(), url, destination, archivedStandFileMaxBytes, DownloadSize::small)) return {};
  // An older download must not pass for this airport's file.
  if (const std::error_code error = gf_removeIfPresent(destination))
    throw std::filesystem::filesystem_error("remove", destination, error);
  std::string failure = fmt::format("failed to download: '{}'", url);
  gf_log(failure);
  return failure;
}

double gf_findClosestStand(FixedCode<4> icao, const LatLon& position, std::string& standId) {
  try {
    return lf_closestStand(icao, position, standId);
  } catch (const std::exception& e) {
    gf_logError(fmt::format("{}: {}", "gf_readDestApfForClosestStand", e.what()));
    return noStandDistanceNm;
  }
}

void gf_installClosestStandSearch() { gf_installClosestStandReader(&gf_findClosestStand); }

} // namespace gwr
