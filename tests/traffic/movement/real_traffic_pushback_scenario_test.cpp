// Push-backs from recorded airport traffic, flown in simulated time through the
// whole engine and the emulated simulator: from a stand or not, noisy, as recorded.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/geo.h"
#include "feeder/recorded_replay.h"
#include "traffic/movement/real_traffic_ground.h"

namespace gwr::groundscenario {
namespace {

// Standing nose 090, pushed back west at 3 kt for 40 s, standing 15 s, then
// taxiing north at 10 kt; the feed gives the nose as its heading or, without
// one, as its track.
std::vector<Report> pushBackThenTaxi(bool heading) {
  std::vector<Report> r;
  const double h = heading ? 90.0 : none;
  taxi(r, 0.0, apron, 90.0, 0.0, 5.0, 5.0, heading ? 0.0 : 90.0, h);
  const LatLon pushed = ahead(apron, 270.0, 3.0 * 1852.0 / 3600.0 * 40.0);
  taxi(r, 10.0, ahead(apron, 270.0, 3.0 * 1852.0 / 3600.0 * 5.0), 270.0, 3.0, 35.0, 5.0, 90.0, h);
  taxi(r, 50.0, pushed, 0.0, 0.0, 15.0, 5.0, heading ? 0.0 : 90.0, h);
  taxi(r, 70.0, ahead(pushed, 0.0, 10.0 * 1852.0 / 3600.0 * 5.0), 0.0, 10.0, 100.0, 5.0, 0.0, heading ? 0.0 : none);
  return r;
}

// Standing nose 090 for 20 s, pushed back west at 3 kt for 40 s, then
// standing a minute, reported every `every` seconds, each position up to
// noiseM off, the heading 090 +/- 2: legs shorter than the noise; first seen
// firstSeenS in.
std::vector<Report> noisyPushBack(double noiseM, double every, double firstSeenS = 0.0) {
  std::vector<Report> r;
  testsupport::SameDraws draws{521288629u};  // the same noise on every platform
  const auto next = [&draws] { return draws.next(); };
  for (double t = 0.0; t <= 120.0 + 1e-9; t += every) {
    const bool pushing = t > 20.0 && t <= 60.0;
    const double metres = 3.0 * 1852.0 / 3600.0 * std::clamp(t - 20.0, 0.0, 40.0);
    const double offBearingDeg = 360.0 * next();
    const double offMetres = noiseM * std::sqrt(next());
    const double heading = 90.0 + 4.0 * next() - 2.0;
    if (t >= firstSeenS)
      r.push_back({t, ahead(ahead(apron, 270.0, metres), offBearingDeg, offMetres), pushing ? 3.0 : 0.0,
                   pushing ? 270.0 : heading, heading});
  }
  return r;
}

// DAL2927 at its Minneapolis gate: standing, pushed back, standing, taxiing away,
// moved onto the apron here with distances kept.
std::vector<Report> recordedPushBack(double pushBackReportedKt = -1.0) {
  const std::filesystem::path file = GWR_RECORDINGS_DIR "/kmsp_dal1615_dal2927.lines";
  if (!std::filesystem::exists(file)) return {};
  const auto recording = feeder::gf_readRecordingFile(file);
  std::vector<Report> r;
  const LatLon origin{44.882721, -93.215234};
  const double eastScale = std::cos(origin.latitude * radiansPerDegree) / std::cos(apron.latitude * radiansPerDegree);
  for (const auto& line : recording.lines) {
    if (line.timestamp < 1900001180.0 || line.timestamp > 1900001660.0) continue;
    std::vector<std::string> f;
    std::stringstream in(line.text);
    for (std::string field; std::getline(in, field, ',');) f.push_back(field);
    const double lat = std::stod(f[2]), lon = std::stod(f[3]);
    const double t = line.timestamp - 1900001180.0;
    const bool pushing = t >= 52.0 && t <= 108.0;
    r.push_back({t, {apron.latitude + lat - origin.latitude, apron.longitude + (lon - origin.longitude) * eastScale},
                 pushing && pushBackReportedKt >= 0.0 ? pushBackReportedKt : std::stod(f[8]), std::stod(f[7]),
                 std::stod(f[7])});
  }
  return r;
}

// The same, its reports from half way through the push-back on.
std::vector<Report> firstSeenPushing() {
  std::vector<Report> r = recordedPushBack();
  std::erase_if(r, [](const Report& q) { return q.time < 70.0; });
  return r;
}

// Its push-back reports (1232 to 1288 recorded) are flown from 82 s to 138 s.
constexpr double pushedFromS = 85.0, pushedToS = 135.0;

TEST(RealTrafficGroundScenario, ARecordedPushBackFollowsItsReports) {
  flyGroundCases({
      {"push-back and taxi away, as recorded at Minneapolis", [] { return recordedPushBack(); }, 510, noseOffDeg, 14.2 * 1.5,
       pushBackKt, 10.0, false, pushedFromS, pushedToS},
      {"the same, its feed giving no speed while it pushes back", [] { return recordedPushBack(0.0); }, 510,
       noseOffDeg, 14.2 * 1.5, pushBackKt, 10.0, false, pushedFromS, pushedToS},
      // (about 10 s: its nose kept from the start, it meets one report a second later)
      {"the same, its feed giving 0.1 kt while it pushes back", [] { return recordedPushBack(0.1); }, 510,
       noseOffDeg, 14.2 * 1.5, pushBackKt, 12.0, false, pushedFromS, pushedToS},
      // Met half way through its push-back: its nose is its reports' from the
      // start, never swung round on the spot.
      {"the same, first seen while pushed back", [] { return firstSeenPushing(); }, 510, noseOffDeg, 14.2 * 1.5,
       pushBackKt, 12.0, false, pushedFromS, pushedToS},
  });
}

// The same push-back with its stand's heading 40 degrees off the reported nose.
std::vector<Report> pushedAskewOfStand() {
  std::vector<Report> r = recordedPushBack();
  if (!r.empty()) r.front().headingDeg += 40.0;
  return r;
}

// From its stand: pushed when its reports push and as fast (a walk at least,
// never over 1.25 times their speed while it catches up), its push ending where
// they go, not where a push of the stand's own would.
TEST(RealTrafficGroundScenario, APushBackFromItsStandFollowsItsReports) {
  flyGroundCases({
      // not at a stand: pushed as its nose and positions show, then nose first
      {"push-back and taxi, the nose given as heading", [] { return pushBackThenTaxi(true); }, 210, noseOffDeg,
       10.0 * 1.5, pushBackKt, 12.0, false, 40.0, 75.0, 20.0},
      {"push-back and taxi, the nose given as track", [] { return pushBackThenTaxi(false); }, 210, noseOffDeg,
       10.0 * 1.5, pushBackKt, 12.0, false, 40.0, 75.0, 20.0},
      // legs shorter than the noise: pushed all the same, never driven nose
      // first, nor turned round on the spot before or after
      {"push-back every 5 s, 8 m off, from its stand", [] { return noisyPushBack(8.0, 5.0); }, 200, noseOffDeg,
       3.0 * 3.0, pushBackKt, 10.0, true, 55.0, 95.0, 2.2, 90.0, 30.0},
      {"push-back every 5 s, 5 m off, from its stand", [] { return noisyPushBack(5.0, 5.0); }, 200, noseOffDeg,
       3.0 * 3.0, pushBackKt, 10.0, true, 55.0, 95.0, 2.2, 90.0, 30.0},
      {"push-back every 3 s, 8 m off, from its stand", [] { return noisyPushBack(8.0, 3.0); }, 200, noseOffDeg,
       3.0 * 3.0, pushBackKt, 10.0, true, 55.0, 95.0, 2.2, 90.0, 30.0},
      // first seen while pushed: created with its tail leading
      {"push-back every 5 s, 8 m off, first seen 10 s in", [] { return noisyPushBack(8.0, 5.0, 30.0); }, 200,
       noseOffDeg, 3.0 * 3.0, pushBackKt, 10.0, false, 65.0, 95.0, 2.2, 90.0, 30.0},
      {"push-back every 2 s, 10 m off, first seen 5 s in", [] { return noisyPushBack(10.0, 2.0, 25.0); }, 200,
       noseOffDeg, 3.0 * 3.0, pushBackKt, 10.0, false, 60.0, 95.0, 2.2, 90.0, 30.0},
      // legs shorter than twice the noise from the first on: the line through
      // all its slow reports shows the tail leading
      {"push-back every 3 s, 8 m off, first seen 10 s in", [] { return noisyPushBack(8.0, 3.0, 30.0); }, 200,
       noseOffDeg, 3.0 * 3.0, pushBackKt, 10.0, false, 65.0, 95.0, 2.2, 90.0, 30.0},
      {"push-back every 3 s, 10 m off, first seen 5 s in", [] { return noisyPushBack(10.0, 3.0, 25.0); }, 200,
       noseOffDeg, 3.0 * 3.0, pushBackKt, 10.0, false, 60.0, 95.0, 2.2, 90.0, 30.0},
      {"push-back every 3 s, 10 m off, first seen 2 s in", [] { return noisyPushBack(10.0, 3.0, 22.0); }, 200,
       noseOffDeg, 3.0 * 3.0, pushBackKt, 10.0, false, 57.0, 95.0, 2.2, 90.0, 30.0},
      {"push-back every 4 s, 8 m off, first seen 10 s in", [] { return noisyPushBack(8.0, 4.0, 30.0); }, 200,
       noseOffDeg, 3.0 * 3.0, pushBackKt, 10.0, false, 65.0, 95.0, 2.2, 90.0, 30.0},
      // Its last push reports thinned away, it stops 10 m on, at 0 kt: it
      // pushes on to that stop, neither held short of it nor hopping there later.
      {"push-back every 2 s, 10 m off, first seen 18 s in", [] { return noisyPushBack(10.0, 2.0, 37.0); }, 200,
       noseOffDeg, 3.0 * 3.0, pushBackKt, 10.0, false, 72.0, 95.0, 2.2, 90.0, 30.0},
      // Standing after the push, a report at 0 kt beyond the noise ahead of
      // its nose: it goes there nose first, never turned round on the spot
      // (its noisy push legs alone swing the nose up to 40 degrees).
      {"push-back every 5 s, 10 m off, first seen 15 s in", [] { return noisyPushBack(10.0, 5.0, 35.0); }, 200,
       noseOffDeg, 3.0 * 3.0, pushBackKt, 10.0, false, 70.0, 95.0, 2.2, 90.0, 45.0},
      // First seen while pushed, its noise not yet read (or read low from
      // its first few reports): its legs go along the nose it is given, not
      // tens of degrees off it, and no noisy report at the push's end turns
      // it round on the spot to go there nose first.
      {"push-back every 4 s, 10 m off, first seen 16 s in", [] { return noisyPushBack(10.0, 4.0, 36.14); }, 200,
       noseOffDeg, 3.0 * 3.0, pushBackKt, 10.0, false, 71.14, 95.0, 2.2, 90.0, 30.0},
      {"push-back every 2 s, 10 m off, first seen 3 s in", [] { return noisyPushBack(10.0, 2.0, 23.29); }, 200,
       noseOffDeg, 3.0 * 3.0, pushBackKt, 10.0, false, 58.29, 95.0, 2.2, 90.0, 30.0},
      {"push-back every 5 s, 10 m off, first seen 11 s in", [] { return noisyPushBack(10.0, 5.0, 31.0); }, 200,
       noseOffDeg, 3.0 * 3.0, pushBackKt, 10.0, false, 66.0, 95.0, 2.2, 90.0, 30.0},
      {"push-back every 5 s, 10 m off, first seen 16 s in", [] { return noisyPushBack(10.0, 5.0, 36.14); }, 200,
       noseOffDeg, 3.0 * 3.0, pushBackKt, 10.0, false, 71.14, 95.0, 2.2, 90.0, 30.0},
      {"push-back every 4 s, 8 m off, first seen 16 s in", [] { return noisyPushBack(8.0, 4.0, 36.14); }, 200,
       noseOffDeg, 3.0 * 3.0, pushBackKt, 10.0, false, 71.14, 95.0, 2.2, 90.0, 30.0},
      {"push-back every 3 s, 5 m off, from its stand", [] { return noisyPushBack(5.0, 3.0); }, 200, noseOffDeg,
       3.0 * 3.0, pushBackKt, 10.0, true, 55.0, 95.0, 2.2, 90.0, 30.0},
      {"the same from its stand", [] { return recordedPushBack(); }, 510, noseOffDeg, 14.2 * 1.5, pushBackKt, 10.0,
       true, pushedFromS, pushedToS},
      {"the same from its stand, its feed giving 0.1 kt while it pushes back", [] { return recordedPushBack(0.1); },
       510, noseOffDeg, 14.2 * 1.5, pushBackKt, 12.0, true, pushedFromS, pushedToS},
      {"the same from its stand, its feed giving no speed while it pushes back", [] { return recordedPushBack(0.0); },
       510, noseOffDeg, 14.2 * 1.5, pushBackKt, 10.0, true, pushedFromS, pushedToS},
      {"the same from a stand heading 40 degrees off its nose", pushedAskewOfStand, 510, noseOffDeg, 14.2 * 1.5,
       pushBackKt, 10.0, true, pushedFromS, pushedToS},
  });
}

} // namespace
} // namespace gwr::groundscenario
