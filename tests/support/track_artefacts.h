// Test helper: writes a scenario aircraft's track as CSV, GeoJSON and a small
// SVG plot of altitude and speed over time into the build's artefact folder.
#pragma once

#include <fmt/format.h>

#include <algorithm>
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

inline void writeGeoJson(const std::filesystem::path& file, const std::string& name, const std::vector<MovementPoint>& track,
                         std::size_t every) {
  std::ofstream out(file);
  out << R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{"name":")" << name
      << R"("},"geometry":{"type":"LineString","coordinates":[)";
  bool first = true;
  for (std::size_t i = 0; i < track.size(); i += every) {
    out << (first ? "" : ",") << fmt::format("[{:.7f},{:.7f},{:.1f}]", track[i].lon, track[i].lat, track[i].altitude * 0.3048);
    first = false;
  }
  out << "]}}]}\n";
}

// Altitude (blue) and speed (red) over time, each scaled to the plot's height.
inline void writeSvg(const std::filesystem::path& file, const std::string& title, const std::vector<MovementPoint>& track,
                     std::size_t every) {
  constexpr double width = 800.0, height = 300.0, margin = 40.0;
  if (track.empty()) return;
  double maxAlt = 1.0, minAlt = track.front().altitude, maxTas = 1.0;
  for (const MovementPoint& p : track) {
    maxAlt = std::max(maxAlt, p.altitude);
    minAlt = std::min(minAlt, p.altitude);
    maxTas = std::max(maxTas, p.tas);
  }
  const double t0 = track.front().tick, span = std::max(1.0, double(track.back().tick) - t0);
  const auto x = [&](const MovementPoint& p) { return margin + (p.tick - t0) / span * (width - 2 * margin); };
  const auto line = [&](auto value, double low, double high) {
    std::string points;
    for (std::size_t i = 0; i < track.size(); i += every) {
      const double y = height - margin - (value(track[i]) - low) / std::max(1.0, high - low) * (height - 2 * margin);
      points += fmt::format("{:.1f},{:.1f} ", x(track[i]), y);
    }
    return points;
  };
  std::ofstream out(file);
  out << fmt::format(R"(<svg xmlns="http://www.w3.org/2000/svg" width="{}" height="{}">)", width, height) << "\n";
  out << fmt::format(R"(<text x="{}" y="20" font-size="14">{} - altitude {:.0f}..{:.0f} ft (blue), speed 0..{:.0f} kt (red), {:.0f} s</text>)",
                     margin, title, minAlt, maxAlt, maxTas, span / 100.0)
      << "\n";
  out << fmt::format(R"(<rect x="{}" y="{}" width="{}" height="{}" fill="none" stroke="grey"/>)", margin, margin,
                     width - 2 * margin, height - 2 * margin)
      << "\n";
  out << R"(<polyline fill="none" stroke="blue" points=")" << line([](const MovementPoint& p) { return p.altitude; }, minAlt, maxAlt)
      << "\"/>\n";
  out << R"(<polyline fill="none" stroke="red" points=")" << line([](const MovementPoint& p) { return p.tas; }, 0.0, maxTas)
      << "\"/>\n";
  out << "</svg>\n";
}

inline void writeTrackArtefacts(const std::string& name, const std::vector<MovementPoint>& track) {
  const auto folder = artefactFolder();
  const std::size_t every = std::max<std::size_t>(1, track.size() / 2000);
  writeCsv(folder / (name + ".csv"), track);
  writeGeoJson(folder / (name + ".geojson"), name, track, every);
  writeSvg(folder / (name + ".svg"), name, track, every);
}

} // namespace gwr::testsupport
