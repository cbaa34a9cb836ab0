// The loop's watch on its own passes: the time each step of a pass took, and
// one log line for a pass longer than the tick, no more than one per interval
// so that a slow machine cannot flood the log.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/repeated_lines.h"

namespace gwr {

enum class PassStep : std::uint8_t {
  feedback, update, swap, release, records, adding, periodic, everySecond, every5Seconds, every15Seconds, count
};

inline constexpr auto slowPassLogInterval = std::chrono::seconds(10);
// A step shorter than this is not named in the line.
inline constexpr auto slowPassStepShown = std::chrono::microseconds(100);

struct PassWatch {
  using Clock = std::chrono::steady_clock;
  std::array<Clock::duration, static_cast<std::size_t>(PassStep::count)> spent{};
  Clock::time_point start, mark;

  void begin(Clock::time_point now) {
    spent.fill(Clock::duration::zero());
    start = mark = now;
  }
  void lap(PassStep step, Clock::time_point now) {
    spent[static_cast<std::size_t>(step)] += now - mark;
    mark = now;
  }
};

// What a slow pass did, for the log line.
struct SlowPass {
  std::chrono::steady_clock::duration whole{};
  std::int32_t tick = 0;
  std::size_t live = 0;
};

// Holds back all but one line per interval and counts the passes it held back.
class SlowPassLog {
public:
  // The line to log for this pass, or none while within the interval of the last one.
  std::optional<std::string> take(const PassWatch& watch, const SlowPass& pass, std::chrono::steady_clock::time_point now);

private:
  RepeatedLines lines_{slowPassLogInterval};
};

// "slow pass: 12.4 ms at tick 3400, 463 live; update 9.1 ms, feedback 2.2 ms"
// and ", 3 more slow passes since the last line" when some were held back.
std::string gf_slowPassText(const PassWatch& watch, const SlowPass& pass, std::size_t heldBack);

} // namespace gwr
