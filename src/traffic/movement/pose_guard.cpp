// The pose guard of the movement: finite checks of poses and per-tick rates,
// the fall-back to the last sound pose and its one log line per aircraft.
#include "traffic/movement/pose_guard.h"

#include <fmt/format.h>

#include <cmath>
#include <initializer_list>

#include "core/log.h"
#include "traffic/movement/taxi_curves.h"

namespace gwr {

namespace {

void stop(LiveAc& ac, const char* what) {
  ac.latRate = ac.lonRate = ac.altitudeRate = 0.0;
  ac.pitchRate = ac.bankRate = ac.headingRate = 0.0;
  gf_clearCurve(ac);
  ac.curveStep = 0.0;
  if (ac.poseFault) return;
  ac.poseFault = 1;
  gf_log(fmt::format("{} {} not finite, kept at its last sound pose", ac.liveFullText(), what));
}

// x * 0 is 0 for every finite x and NaN for an infinity or NaN, so one
// comparison of the sum checks them all, every tick of every aircraft.
bool allFinite(std::initializer_list<double> values) {
  double zero = 0.0;
  for (const double v : values) zero += v * 0.0;
  return zero == 0.0;
}

} // namespace

bool gf_poseFinite(const SoundPose& p) { return allFinite({p.lat, p.lon, p.pitch, p.bank, p.heading, p.altitude}); }

void gf_keepSoundPose(LiveAc& ac, const SoundPose& before) {
  if (allFinite({ac.lat, ac.lon, ac.pitch, ac.bank, ac.heading, ac.altitude, ac.verticalSpeed, ac.tas})) return;
  if (gf_poseFinite(before)) {
    ac.lat = before.lat;
    ac.lon = before.lon;
    ac.pitch = before.pitch;
    ac.bank = before.bank;
    ac.heading = before.heading;
    ac.altitude = before.altitude;
  }
  if (!std::isfinite(ac.verticalSpeed)) ac.verticalSpeed = 0.0;
  if (!std::isfinite(ac.tas)) ac.tas = 0.0;
  stop(ac, "pose");
}

void lf_checkRates(LiveAc& ac) {
  const double rates[] = {ac.latRate, ac.lonRate, ac.altitudeRate, ac.pitchRate, ac.bankRate, ac.headingRate,
                          ac.curveStep, ac.targetTas, ac.targetVerticalSpeed};
  for (double r : rates) {
    if (!std::isfinite(r)) {
      if (!std::isfinite(ac.targetTas)) ac.targetTas = 0.0;
      if (!std::isfinite(ac.targetVerticalSpeed)) ac.targetVerticalSpeed = 0.0;
      stop(ac, "movement");
      return;
    }
  }
}

} // namespace gwr
