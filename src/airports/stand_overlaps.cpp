// Stand overlaps through a grid of cells on the earth's surface, in
// three-dimensional coordinates so that the poles and the date line need no
// care: two stands closer than the overlap reach lie in neighbouring cells.
#include "airports/stand_overlaps.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include <fmt/format.h>

#include "airports/airports_constants.h"
#include "core/geo.h"
#include "core/log.h"

namespace gwr {
namespace {

constexpr double smallestCellNm = 1e-6;  // keeps cell numbers within 64 bits

struct Cell {
  std::int64_t x, y, z;
  bool operator==(const Cell&) const = default;
};

struct CellHash {
  std::size_t operator()(const Cell& c) const {
    const auto mix = [](std::uint64_t h, std::int64_t v) {
      return (h ^ static_cast<std::uint64_t>(v)) * 0x100000001B3ULL;
    };
    return static_cast<std::size_t>(mix(mix(mix(0xCBF29CE484222325ULL, c.x), c.y), c.z));
  }
};

struct Point {
  double x, y, z;  // nm from the earth's centre
};

Point pointOf(const StandRecord& stand) {
  const double lat = stand.latitude * radiansPerDegree;
  const double lon = stand.longitude * radiansPerDegree;
  return {earthRadiusNm * std::cos(lat) * std::cos(lon), earthRadiusNm * std::cos(lat) * std::sin(lon),
          earthRadiusNm * std::sin(lat)};
}

bool usable(const StandRecord& stand) {
  return std::isfinite(stand.latitude) && std::isfinite(stand.longitude) && std::isfinite(stand.radius) &&
         stand.radius >= 0.0;
}

bool overlap(const StandRecord& a, const StandRecord& b) {
  const double distanceNm = gf_greatCircleDistanceNm({a.latitude, a.longitude}, {b.latitude, b.longitude});
  return distanceNm * overlapDistanceFactor < a.radius + b.radius;
}

class Finder {
public:
  explicit Finder(StandTable& table) : table_(table) {}

  void run() {
    double reachRadius = 0.0;
    for (std::size_t i = 0; i < table_.size(); ++i) {
      table_[i].overlaps.clear();
      if (!usable(table_[i])) continue;
      if (table_[i].radius > largeStandRadiusNm)
        large_.push_back(i);
      else
        reachRadius = std::max(reachRadius, table_[i].radius);
    }
    // Two stands of at most this radius overlap only closer than 2r / 1.1,
    // and a chord is never longer than its arc.
    cellNm_ = std::max(2.0 * reachRadius / overlapDistanceFactor, smallestCellNm);
    for (std::size_t i = 0; i < table_.size(); ++i) {
      if (usable(table_[i]) && table_[i].radius <= largeStandRadiusNm) grid_[cellOf(i)].push_back(i);
    }
    for (std::size_t i = 0; i < table_.size(); ++i) {
      if (usable(table_[i]) && table_[i].radius <= largeStandRadiusNm) searchGrid(i);
    }
    for (const std::size_t i : large_) searchAll(i);
    for (StandRecord& stand : table_) {
      std::sort(stand.overlaps.begin(), stand.overlaps.end());
      stand.overlaps.erase(std::unique(stand.overlaps.begin(), stand.overlaps.end()), stand.overlaps.end());
      stand.overlaps.shrink_to_fit();
    }
    if (crowded_ > 0)
      gf_logError(fmt::format("{} stands lie among more than {} others; only part of their overlaps is kept",
                              crowded_, maxOverlapsPerStand));
  }

private:
  Cell cellOf(std::size_t i) const {
    const Point p = pointOf(table_[i]);
    return {static_cast<std::int64_t>(std::floor(p.x / cellNm_)), static_cast<std::int64_t>(std::floor(p.y / cellNm_)),
            static_cast<std::int64_t>(std::floor(p.z / cellNm_))};
  }

  // True while the stand may take more; counts a stand cut short once.
  bool consider(std::size_t i, std::size_t j, std::size_t& looked) {
    StandRecord& stand = table_[i];
    if (stand.overlaps.size() >= maxOverlapsPerStand || looked >= maxOverlapCandidates) {
      ++crowded_;
      return false;
    }
    ++looked;
    if (i != j && overlap(stand, table_[j])) stand.overlaps.push_back(table_[j].number);
    return true;
  }

  void searchGrid(std::size_t i) {
    const Cell centre = cellOf(i);
    std::size_t looked = 0;
    for (std::int64_t dx = -1; dx <= 1; ++dx)
      for (std::int64_t dy = -1; dy <= 1; ++dy)
        for (std::int64_t dz = -1; dz <= 1; ++dz) {
          const auto found = grid_.find({centre.x + dx, centre.y + dy, centre.z + dz});
          if (found == grid_.end()) continue;
          for (const std::size_t j : found->second)
            if (!consider(i, j, looked)) return;
        }
  }

  // A large stand against every stand; a small one it overlaps lists it too.
  void searchAll(std::size_t i) {
    std::size_t looked = 0;
    for (std::size_t j = 0; j < table_.size(); ++j) {
      if (!usable(table_[j])) continue;
      const std::size_t before = table_[i].overlaps.size();
      if (!consider(i, j, looked)) return;
      StandRecord& other = table_[j];
      if (table_[i].overlaps.size() > before && other.radius <= largeStandRadiusNm &&
          other.overlaps.size() < maxOverlapsPerStand)
        other.overlaps.push_back(table_[i].number);
    }
  }

  StandTable& table_;
  std::vector<std::size_t> large_;
  std::unordered_map<Cell, std::vector<std::size_t>, CellHash> grid_;
  double cellNm_ = smallestCellNm;
  std::size_t crowded_ = 0;
};

} // namespace

void gf_findStandOverlaps(StandTable& table) { Finder(table).run(); }

} // namespace gwr
