// The pose guard of the movement: finite checks of poses and per-tick rates,
// the fall-back to the last sound pose and its one log line per aircraft.
#include "traffic/movement/pose_guard.h"

#include <fmt/format.h>

#include <cmath>

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

} // namespace

SoundPose gf_soundPose(const LiveAc& ac) { return {ac.lat, ac.lon, ac.pitch, ac.bank, ac.heading, ac.altitude}; }

bool gf_poseFinite(const SoundPose& p) {
  return std::isfinite(p.lat) && std::isfinite(p.lon) && std::isfinite(p.pitch) && std::isfinite(p.bank) &&
         std::isfinite(p.heading) && std::isfinite(p.altitude);
}

void gf_keepSoundPose(LiveAc& ac, const SoundPose& before) {
  if (gf_poseFinite(gf_soundPose(ac)) && std::isfinite(ac.verticalSpeed) && std::isfinite(ac.tas)) return;
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
