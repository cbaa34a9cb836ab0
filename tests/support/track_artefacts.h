// Test helper: writes a scenario aircraft's track as CSV into the build's
// artefact folder, for a person to plot.
#pragma once

#include <fmt/format.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace gwr::testsupport {

struct MovementPoint {
  std::int32_t tick = 0;
  double lat = 0.0, lon = 0.0, altitude = 0.0;
  double heading = 0.0, pitch = 0.0, bank = 0.0;  // radians
  double tas = 0.0;                               // knots
  std::string phase;
  bool onGround = false;
  bool onCurve = false;
};

// <build>/test-output/movement, next to the engine scenarios' tracks.
inline std::filesystem::path artefactFolder() {
#ifdef GWR_TEST_OUTPUT_DIR
  const std::filesystem::path folder = std::filesystem::path(GWR_TEST_OUTPUT_DIR) / "movement";
#else
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "gwr-test-output" / "movement";
#endif
  std::filesystem::create_directories(folder);
  return folder;
}

inline void writeCsv(const std::filesystem::path& file, const std::vector<MovementPoint>& track) {
  std::ofstream out(file);
  out << "tick,seconds,lat,lon,altitude_ft,heading_deg,pitch_deg,bank_deg,tas_kt,phase,on_ground,on_curve\n";
  for (const MovementPoint& p : track)
    out << fmt::format("{},{:.2f},{:.7f},{:.7f},{:.1f},{:.2f},{:.2f},{:.2f},{:.1f},{},{},{}\n", p.tick, p.tick / 100.0,
                       p.lat, p.lon, p.altitude, p.heading * 57.29577951308232, p.pitch * 57.29577951308232,
                       p.bank * 57.29577951308232, p.tas, p.phase, p.onGround ? 1 : 0, p.onCurve ? 1 : 0);
}

inline void writeTrackArtefacts(const std::string& name, const std::vector<MovementPoint>& track) {
  const auto folder = artefactFolder();
  writeCsv(folder / (name + ".csv"), track);
}

} // namespace gwr::testsupport
