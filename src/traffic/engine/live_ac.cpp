// The live aircraft record: construction from its first report, the phase and
// state names of the log, and erasing from the live vector.
#include "traffic/engine/live_ac.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_map>

#include "airports/park_stand_table.h"

namespace gwr {

PositionSample gf_sampleOf(const TrafficRecord& record) {
  PositionSample s;
  s.lat = record.latitude;
  s.lon = record.longitude;
  s.altitude = record.altitude;
  s.groundSpeed = record.groundSpeed;
  s.track = record.track;
  s.verticalSpeed = record.verticalSpeed;
  s.tas = record.trueAirspeed;
  s.dueTick = record.dueTick;
  s.airborne = record.airborne;
  s.standing = record.airborne == 0 && record.groundSpeed <= 0.0 ? 1 : 0;
  s.rollValid = record.roll ? 1 : 0;
  s.roll = record.roll.value_or(0.0);
  s.trueHeadingValid = record.heading ? 1 : 0;
  s.trueHeading = record.heading.value_or(0.0);
  s.attitudeSource = s.rollValid;
  return s;
}

namespace {
// Built on first use; an unknown value throws the text the log has always shown.
template <class E>
const std::string& nameIn(const std::unordered_map<std::uint32_t, std::string>& table, E value) {
  const auto it = table.find(static_cast<std::uint32_t>(value));
  if (it == table.end()) throw std::out_of_range("invalid unordered_map<K, T> key");
  return it->second;
}
} // namespace

const std::string& gf_phaseName(AcPhase phase) {
  static const std::unordered_map<std::uint32_t, std::string> names{
      {0, "pushing_back"}, {1, "pushed_back"}, {2, "taxi"}, {3, "take_off"},
      {4, "flying"}, {5, "parking"}, {6, "parked"}, {7, "birth"}};
  return nameIn(names, phase);
}

const std::string& gf_simStateName(AcSimState state) {
  static const std::unordered_map<std::uint32_t, std::string> names{
      {0, "buffer"}, {1, "adding2sim"}, {2, "active"}, {3, "liveryrespawn"}, {4, "removingfromsim"}};
  return nameIn(names, state);
}

LiveAc::LiveAc(const AcDescription& description, const PositionSample& first, double time)
    : AcDescription(description), lastSampleTime(time), newestStamp(time), lastReport(first) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  curve[2] = curve[5] = curve[6] = curve[7] = nan;
  sim.hexid = hexId;
  sim.category = static_cast<std::uint32_t>(category);
  sim.cargo = key.cargo != 0;
  sim.label = fullText();
  samples.push_back(first);
}

void LiveAc::setPhase(AcPhase next) {
  if (next == phase) return;
  previousPhase = phase;
  phase = next;
}

void LiveAc::backToBuffer() {
  sim.simState = AcSimState::Buffer;
  sim.objectId = 0;
  sim.throttleIndex = newThrottleIndex;
  sim.flapsIndex = newFlapsIndex;
}

std::string gf_liveStandName(std::int32_t number) {
  const auto it = std::lower_bound(standTable.begin(), standTable.end(), number,
                                   [](const StandRecord& s, std::int32_t n) { return std::int64_t{s.number} < n; });
  if (number > 0 && it != standTable.end() && static_cast<std::int64_t>(it->number) == number) return it->id;
  return std::to_string(number);
}

void gf_eraseLiveAc(std::vector<LiveAc>& live, std::size_t index) {
  if (index + 1 != live.size()) live[index] = std::move(live.back());
  live.pop_back();
}

} // namespace gwr
