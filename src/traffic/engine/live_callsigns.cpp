// Callsigns of live aircraft: taking a new one, the ghost a marked callsign
// leaves behind, and whether a callsign is already flown.
#include "traffic/engine/live_callsigns.h"

#include <fmt/format.h>

#include <algorithm>
#include <string>

#include "core/log.h"
#include "traffic/engine/live_removal.h"
#include "traffic/engine/traffic_engine.h"

namespace gwr {

bool endsWithMark(const std::string& callsign) { return !callsign.empty() && callsign.back() == '_'; }

void takeCallsign(LiveAc& ac, const std::string& callsign) {
  ac.callsign = callsign;
  ac.callsignCopy = callsign;
  ac.spareText.clear();
  ac.sim.label = ac.fullText();
}

void gf_ghostCheck(const std::string& callsign) {
  const std::string ghostName = callsign + "_";
  for (LiveAc& ghost : trafficEngine.live) {
    if (ghost.callsign != ghostName || ghost.sim.simState == AcSimState::RemovingFromSim) continue;
    if (ghost.phase == AcPhase::Parked) {
      gf_log(fmt::format("{:8}: {:8} is a ghost and will be removed, continue with {}",
                         gf_liveStandName(ghost.standNumber), ghost.callsign, callsign));
    } else {
      gf_log(fmt::format("          {:8} is a ghost and will be removed, continue with {}", ghost.callsign, callsign));
    }
    trafficEngine.ghostCallsigns.push_back(ghost.callsign);
    gf_removeLiveAc(ghost);
    return;
  }
}

bool gf_callsignInUse(const std::string& callsign) {
  if (callsign.empty()) return false;
  const std::string base = callsign.substr(0, callsign.size() - 1);
  return std::any_of(trafficEngine.live.begin(), trafficEngine.live.end(), [&](const LiveAc& a) {
    return a.callsign == base && a.sim.simState != AcSimState::RemovingFromSim;
  });
}

} // namespace gwr
