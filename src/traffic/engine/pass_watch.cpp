// The slow-pass line of the traffic loop; see pass_watch.h.
#include "traffic/engine/pass_watch.h"

#include <fmt/format.h>

namespace gwr {

namespace {

constexpr std::array<const char*, static_cast<std::size_t>(PassStep::count)> stepNames{
    "feedback", "update", "swap", "release", "records", "adding", "periodic", "per-second", "5-second", "15-second"};

double millis(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

} // namespace

std::string gf_slowPassText(const PassWatch& watch, const SlowPass& pass, std::size_t heldBack) {
  std::string text = fmt::format("slow pass: {:.1f} ms at tick {}, {} live", millis(pass.whole), pass.tick, pass.live);
  std::string steps;
  for (std::size_t i = 0; i < stepNames.size(); ++i) {
    if (watch.spent[i] < slowPassStepShown) continue;
    steps += fmt::format("{}{} {:.1f} ms", steps.empty() ? "; " : ", ", stepNames[i], millis(watch.spent[i]));
  }
  text += steps;
  if (heldBack > 0) text += fmt::format(", {} more slow pass{} since the last line", heldBack, heldBack == 1 ? "" : "es");
  return text;
}

std::optional<std::string> SlowPassLog::take(const PassWatch& watch, const SlowPass& pass,
                                             std::chrono::steady_clock::time_point now) {
  const auto verdict = lines_.admit(now);
  if (!verdict.write) return std::nullopt;
  return gf_slowPassText(watch, pass, static_cast<std::size_t>(verdict.heldBack));
}

} // namespace gwr
