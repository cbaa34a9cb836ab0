// Stand overlaps through grids of cells on the earth's surface, in
// three-dimensional coordinates so that the poles and the date line need no
// care. Stands are grouped by radius, each group with its own grid whose
// cells are as wide as the farthest reach of its largest stand: a stand looks
// for partners in its own group's grid and in the grids of the larger groups,
// so one very large stand neither widens the cells of the small ones nor
// makes them look at thousands of neighbours.
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

constexpr double smallestCellNm = 1e-6;         // keeps cell numbers within 64 bits
constexpr double largestReachNm = 2.0 * earthRadiusNm;  // no chord is longer
constexpr double smallestGroupRadiusNm = 1e-5;  // about 2 cm: all smaller radii but 0 form one group
constexpr double groupRadiusSpan = 2.0;         // a group's largest radius is at most twice its smallest
constexpr double chordSlackNm = 1e-7;           // rounding of chord and arc against the rule's distance (0.2 mm)

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

double chordNm(const Point& a, const Point& b) {
  const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

bool usable(const StandRecord& stand) {
  return std::isfinite(stand.latitude) && std::isfinite(stand.longitude) && std::isfinite(stand.radius) &&
         stand.radius >= 0.0;
}

bool overlap(const StandRecord& a, const StandRecord& b) {
  const double distanceNm = gf_greatCircleDistanceNm({a.latitude, a.longitude}, {b.latitude, b.longitude});
  return distanceNm * overlapDistanceFactor < a.radius + b.radius;
}

// The stands of one radius range in a grid of cells no narrower than the
// reach of its largest stand towards any stand no larger.
struct Group {
  double largestRadiusNm = 0.0;
  double cellNm = smallestCellNm;
  std::vector<std::size_t> members;
  std::unordered_map<Cell, std::vector<std::size_t>, CellHash> grid;

  std::int64_t cellIndex(double coordinateNm) const {
    return static_cast<std::int64_t>(std::floor(coordinateNm / cellNm));
  }
};

class Finder {
public:
  explicit Finder(StandTable& table) : table_(table), points_(table.size()) {}

  void run() {
    for (StandRecord& stand : table_) stand.overlaps.clear();
    formGroups();
    // The largest first: a crowd of overlapping large stands reaches the cap
    // before every small stand has compared itself with the crowd.
    for (std::size_t g = groups_.size(); g-- > 0 && !stopped_;)
      for (const std::size_t i : groups_[g].members) {
        for (std::size_t h = g; h < groups_.size() && !stopped_; ++h) search(i, g, h);
        if (stopped_) break;
      }
    for (StandRecord& stand : table_) {
      std::sort(stand.overlaps.begin(), stand.overlaps.end());
      stand.overlaps.shrink_to_fit();
    }
    if (stopped_)
      gf_logError(fmt::format("More than {} pairs of overlapping stands: no real airport has that many, the "
                              "overlap search stopped there and the stands' overlap lists are incomplete",
                              maxOverlappingStandPairs));
  }

private:
  void formGroups() {
    std::vector<std::size_t> order;
    order.reserve(table_.size());
    for (std::size_t i = 0; i < table_.size(); ++i) {
      if (!usable(table_[i])) continue;
      points_[i] = pointOf(table_[i]);
      order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [this](std::size_t a, std::size_t b) { return table_[a].radius < table_[b].radius; });
    double groupLimit = -1.0;
    for (const std::size_t i : order) {
      const double radius = table_[i].radius;
      if (radius > groupLimit) {
        groups_.emplace_back();
        // Stands without a radius overlap no other such stand: alone, their
        // group is never searched against itself.
        groupLimit = radius == 0.0 ? 0.0 : std::max(radius * groupRadiusSpan, smallestGroupRadiusNm);
      }
      groups_.back().members.push_back(i);
      groups_.back().largestRadiusNm = radius;
    }
    for (Group& group : groups_) {
      // Two stands of at most this radius overlap only closer than 2r / 1.1,
      // and a chord is never longer than its arc.
      group.cellNm =
          std::clamp(2.0 * group.largestRadiusNm / overlapDistanceFactor + chordSlackNm, smallestCellNm, largestReachNm);
      for (const std::size_t i : group.members) {
        const Point& p = points_[i];
        group.grid[{group.cellIndex(p.x), group.cellIndex(p.y), group.cellIndex(p.z)}].push_back(i);
      }
    }
  }

  // Stand i of group g against the stands of group h (h >= g) within its
  // reach; within its own group each pair is taken once.
  void search(std::size_t i, std::size_t g, std::size_t h) {
    const Group& group = groups_[h];
    if (h == g && group.largestRadiusNm == 0.0) return;
    const Point& p = points_[i];
    const double reachNm =
        std::min((table_[i].radius + group.largestRadiusNm) / overlapDistanceFactor + chordSlackNm, largestReachNm);
    const auto range = [&group, reachNm](double coordinate) {
      return std::pair{group.cellIndex(coordinate - reachNm), group.cellIndex(coordinate + reachNm)};
    };
    const auto [x0, x1] = range(p.x);
    const auto [y0, y1] = range(p.y);
    const auto [z0, z1] = range(p.z);
    for (std::int64_t x = x0; x <= x1; ++x)
      for (std::int64_t y = y0; y <= y1; ++y)
        for (std::int64_t z = z0; z <= z1; ++z) {
          const auto found = group.grid.find({x, y, z});
          if (found == group.grid.end()) continue;
          for (const std::size_t j : found->second) {
            if (h == g && j <= i) continue;
            if (!test(i, j)) return;
          }
        }
  }

  // False once the cap is reached.
  bool test(std::size_t i, std::size_t j) {
    StandRecord& a = table_[i];
    StandRecord& b = table_[j];
    const double reachNm = a.radius + b.radius;
    // The chord is never longer than the arc: most pairs end here cheaply.
    const double chord = chordNm(points_[i], points_[j]);
    if ((chord - chordSlackNm) * overlapDistanceFactor >= reachNm) return true;
    // The arc from the chord; only a pair on the very border needs the
    // distance the rule is written with.
    const double arcNm = 2.0 * earthRadiusNm * std::asin(std::min(chord / (2.0 * earthRadiusNm), 1.0));
    if ((arcNm - chordSlackNm) * overlapDistanceFactor >= reachNm) return true;
    if ((arcNm + chordSlackNm) * overlapDistanceFactor >= reachNm && !overlap(a, b)) return true;
    if (pairs_ == maxOverlappingStandPairs) {
      stopped_ = true;
      return false;
    }
    ++pairs_;
    a.overlaps.push_back(b.number);
    b.overlaps.push_back(a.number);
    return true;
  }

  StandTable& table_;
  std::vector<Point> points_;
  std::vector<Group> groups_;  // by ascending radius
  std::size_t pairs_ = 0;
  bool stopped_ = false;
};

} // namespace

void gf_findStandOverlaps(StandTable& table) { Finder(table).run(); }

} // namespace gwr
