// Checks how objects moved in the simulator against what was reported of them:
// nose off the path, racing or reversing on the ground, lift-offs, lag, removals.
#include "motioncheck/motion_check.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include <fmt/format.h>

#include "core/geo.h"
#include "motioncheck/motioncheck_constants.h"

namespace gwr::motioncheck {

namespace {

constexpr double metresPerSecondPerKt = 1852.0 / 3600.0;
constexpr double reportMarginSeconds = 10.0;  // reports come up to 10 s apart
constexpr double shortestPaceSeconds = 1.0;   // reported positions closer in time say nothing of a pace
constexpr double timeTolerance = 1e-6;        // seconds; the trace's times have 2 decimals

// A pose with the motion over the window that ends at it.
struct Moving {
  const PoseSample* pose = nullptr;
  bool known = false;        // a full window without gaps lies behind it
  double speedKt = 0.0;
  double courseDeg = 0.0;    // direction of motion
  double offDeg = 0.0;       // between nose and motion, 0..180
  double axisOffDeg = 0.0;   // between the aircraft's axis and the motion, 0..90: a push-back runs along it
  double backwardsKt = 0.0;  // the speed against the nose
};

struct Interval {
  double from = 0.0, to = 0.0;
};

double lf_metres(double lat1, double lon1, double lat2, double lon2) {
  const LocalOffset o = gf_localOffset({lat1, lon1}, {lat2, lon2});
  return std::hypot(o.north, o.east);
}

double lf_courseDeg(double lat1, double lon1, double lat2, double lon2) {
  const LocalOffset o = gf_localOffset({lat1, lon1}, {lat2, lon2});
  const double deg = std::atan2(o.east, o.north) * degreesPerRadian;
  return deg < 0.0 ? deg + 360.0 : deg;
}

// The difference of two directions, 0..180 degrees.
double lf_apartDeg(double a, double b) {
  const double d = std::fmod(std::fabs(a - b), 360.0);
  return d > 180.0 ? 360.0 - d : d;
}

double lf_metres(const PoseSample& a, const PoseSample& b) {
  return lf_metres(a.latitude, a.longitude, b.latitude, b.longitude);
}

std::vector<Moving> lf_motion(const std::vector<const PoseSample*>& poses) {
  std::vector<Moving> moving(poses.size());
  std::size_t from = 0;   // the window's first pose
  std::size_t after = 0;  // the first pose after the last gap
  for (std::size_t i = 0; i < poses.size(); ++i) {
    moving[i].pose = poses[i];
    if (i > 0 && poses[i]->time - poses[i - 1]->time > largestSampleGapSeconds) after = i;
    from = std::max(from, after);
    while (from + 1 < i && poses[i]->time - poses[from + 1]->time >= motionWindowSeconds - timeTolerance) ++from;
    const double seconds = poses[i]->time - poses[from]->time;
    if (from == i || seconds < motionWindowSeconds - timeTolerance) continue;
    Moving& m = moving[i];
    m.known = true;
    m.speedKt = lf_metres(*poses[from], *poses[i]) / seconds / metresPerSecondPerKt;
    m.courseDeg = lf_courseDeg(poses[from]->latitude, poses[from]->longitude, poses[i]->latitude, poses[i]->longitude);
    m.offDeg = lf_apartDeg(poses[i]->headingDeg, m.courseDeg);
    m.axisOffDeg = std::min(m.offDeg, 180.0 - m.offDeg);
    m.backwardsKt = -m.speedKt * std::cos(m.offDeg * radiansPerDegree);
  }
  return moving;
}

// Runs of consecutive poses (no gap) where the condition holds: first and last index.
template <class Condition>
std::vector<std::pair<std::size_t, std::size_t>> lf_runs(const std::vector<Moving>& moving, Condition condition) {
  std::vector<std::pair<std::size_t, std::size_t>> runs;
  constexpr std::size_t none = static_cast<std::size_t>(-1);
  std::size_t first = none;  // of the run going on
  for (std::size_t i = 0; i <= moving.size(); ++i) {
    const bool holds = i < moving.size() && moving[i].known && condition(moving[i]);
    const bool joined =
        first != none && holds && moving[i].pose->time - moving[i - 1].pose->time <= largestSampleGapSeconds;
    if (first != none && !joined) {
      runs.emplace_back(first, i - 1);
      first = none;
    }
    if (holds && first == none) first = i;
  }
  return runs;
}

double lf_seconds(const std::vector<Moving>& moving, std::pair<std::size_t, std::size_t> run) {
  return moving[run.second].pose->time - moving[run.first].pose->time;
}

// The fastest reported speed and the fastest pace of the reported positions
// (report to report, a second or more apart) about the time from..to.
void lf_reportedSpeeds(const std::vector<const ReportSample*>& reports, double from, double to, SpeedSpan& span) {
  const ReportSample* previous = nullptr;
  for (const ReportSample* r : reports) {
    if (r->time < from - reportMarginSeconds || r->time > to + reportMarginSeconds) continue;
    span.reportedKt = std::max(span.reportedKt, r->groundSpeedKt);
    if (previous != nullptr && r->time - previous->time >= shortestPaceSeconds) {
      const double metres = lf_metres(previous->latitude, previous->longitude, r->latitude, r->longitude);
      span.reportedPaceKt = std::max(span.reportedPaceKt, metres / (r->time - previous->time) / metresPerSecondPerKt);
    }
    if (previous == nullptr || r->time - previous->time >= shortestPaceSeconds) previous = r;
  }
}

// What each report shows: its reported speed and its positions' pace from
// the report a second or more before it (the same reading as above).
struct Shown {
  double reportedKt = 0.0, paceKt = 0.0;
};
std::vector<Shown> lf_shown(const std::vector<const ReportSample*>& reports) {
  std::vector<Shown> shown(reports.size());
  const ReportSample* previous = nullptr;
  for (std::size_t k = 0; k < reports.size(); ++k) {
    const ReportSample* r = reports[k];
    shown[k].reportedKt = r->groundSpeedKt;
    if (previous != nullptr && r->time - previous->time >= shortestPaceSeconds)
      shown[k].paceKt = lf_metres(previous->latitude, previous->longitude, r->latitude, r->longitude) /
                        (r->time - previous->time) / metresPerSecondPerKt;
    if (previous == nullptr || r->time - previous->time >= shortestPaceSeconds) previous = r;
  }
  return shown;
}

// The nose's quickest turns on the ground: the most it turned within the
// window behind each pose, one flip per run of poses over the limit.
void lf_flips(const std::vector<Moving>& moving, std::vector<Flip>& into) {
  constexpr double limitDeg = fastestGroundTurnDegPerS * motionWindowSeconds;
  std::optional<Flip> flip;
  std::size_t from = 0;  // the window's first pose, on the ground since without a gap
  for (std::size_t i = 0; i < moving.size(); ++i) {
    const PoseSample& now = *moving[i].pose;
    if (i > 0 && (!moving[i - 1].pose->onGround || now.time - moving[i - 1].pose->time > largestSampleGapSeconds))
      from = i;
    while (now.time - moving[from].pose->time > motionWindowSeconds + timeTolerance) ++from;
    Flip here{now.object, now.time, now.headingDeg, now.headingDeg, 0.0, moving[i].known ? moving[i].speedKt : 0.0};
    for (std::size_t j = from; now.onGround && j < i; ++j) {
      const double turned = lf_apartDeg(moving[j].pose->headingDeg, now.headingDeg);
      if (turned > here.turnedDeg) {
        here.turnedDeg = turned;
        here.fromDeg = moving[j].pose->headingDeg;
      }
    }
    if (here.turnedDeg > limitDeg) {
      if (!flip || here.turnedDeg > flip->turnedDeg) flip = here;
    } else if (flip) {
      into.push_back(*flip);
      flip.reset();
    }
  }
  if (flip) into.push_back(*flip);
}

// Spans on the ground well faster than any report about then shows.
void lf_surges(const std::vector<Moving>& moving, const std::vector<const ReportSample*>& reports,
               const std::vector<Shown>& shown, std::vector<SpeedSpan>& into) {
  std::optional<SpeedSpan> span;
  double lastTime = 0.0;
  const auto close = [&] {
    if (span && span->seconds >= shortestSpeedSpanSeconds - timeTolerance) into.push_back(*span);
    span.reset();
  };
  for (const Moving& m : moving) {
    if (span && m.pose->time - lastTime > largestSampleGapSeconds) close();
    lastTime = m.pose->time;
    if (!m.known || !m.pose->onGround) {
      close();
      continue;
    }
    const double flown = m.pose->time - reportDelaySeconds;
    auto k = static_cast<std::size_t>(
        std::lower_bound(reports.begin(), reports.end(), flown - surgeReportsBeforeSeconds,
                         [](const ReportSample* r, double time) { return r->time < time; }) -
        reports.begin());
    Shown most;
    bool any = false;
    for (; k < reports.size() && reports[k]->time <= flown + surgeReportsAfterSeconds; ++k) {
      any = true;
      most.reportedKt = std::max(most.reportedKt, shown[k].reportedKt);
      most.paceKt = std::max(most.paceKt, shown[k].paceKt);
    }
    if (!any || m.speedKt <= std::max(most.reportedKt, most.paceKt) + surgeAboveKt) {
      close();
      continue;
    }
    if (!span) span = SpeedSpan{m.pose->object, m.pose->time, 0.0, 0.0, 0.0, 0.0};
    span->seconds = m.pose->time - span->start;
    span->fastestKt = std::max(span->fastestKt, m.speedKt);
    span->reportedKt = std::max(span->reportedKt, most.reportedKt);
    span->reportedPaceKt = std::max(span->reportedPaceKt, most.paceKt);
  }
  close();
}

LiftOff lf_liftOff(const std::vector<Moving>& moving, std::size_t last, Interval& roll) {
  LiftOff lift;
  lift.object = moving[last].pose->object;
  lift.time = moving[last + 1].pose->time;
  std::size_t first = last + 1;
  while (first > 0 && moving[first - 1].known && moving[first - 1].speedKt >= rollAboveKt &&
         moving[first - 1].pose->onGround)
    --first;
  roll = {moving[std::min(first, last)].pose->time, moving[last].pose->time};
  if (first > last) {  // never at roll speed: no take-off roll at all
    lift.courseDeg = moving[last].pose->headingDeg;
    return lift;
  }
  lift.rollSeconds = moving[last].pose->time - moving[first].pose->time;
  for (std::size_t i = first; i < last; ++i) lift.rollMetres += lf_metres(*moving[i].pose, *moving[i + 1].pose);
  std::size_t judged = first;
  while (judged < last && moving[last].pose->time - moving[judged].pose->time > straightRollSeconds + timeTolerance)
    ++judged;
  const PoseSample& a = *moving[judged].pose;
  const PoseSample& b = *moving[last].pose;
  lift.courseDeg = judged == last ? b.headingDeg : lf_courseDeg(a.latitude, a.longitude, b.latitude, b.longitude);
  for (std::size_t i = judged; i <= last; ++i) {
    lift.worstPathDeg = std::max(lift.worstPathDeg, lf_apartDeg(moving[i].courseDeg, lift.courseDeg));
    lift.worstNoseDeg = std::max(lift.worstNoseDeg, lf_apartDeg(moving[i].pose->headingDeg, lift.courseDeg));
  }
  lift.straight = judged < last && lift.worstPathDeg <= straightRollDeg && lift.worstNoseDeg <= straightRollDeg;
  return lift;
}

// One object's findings, added to its callsign's.
void lf_checkObject(const std::vector<const PoseSample*>& poses, const std::vector<const ReportSample*>& reports,
                    const std::vector<Shown>& shown, double traceEnd, CallsignMotion& out) {
  const std::vector<Moving> moving = lf_motion(poses);
  const std::uint32_t object = poses.front()->object;
  out.objects.push_back(object);

  // Touchdowns and lift-offs, and the rolls around them.
  std::vector<Interval> rolls;
  std::vector<double> touchdowns;
  double groundSince = poses.front()->time;
  for (std::size_t i = 1; i < moving.size(); ++i) {
    const PoseSample& before = *poses[i - 1];
    const PoseSample& now = *poses[i];
    if (now.onGround && !before.onGround) {
      groundSince = now.time;
      touchdowns.push_back(now.time);
      std::size_t end = i;
      while (end + 1 < moving.size() && poses[end + 1]->onGround &&
             (!moving[end + 1].known || moving[end + 1].speedKt >= rollAboveKt))
        ++end;
      rolls.push_back({now.time, poses[end]->time});
    } else if (!now.onGround && before.onGround) {
      if (before.time - groundSince < shortestGroundRunSeconds - timeTolerance) continue;
      Interval roll;
      out.liftOffs.push_back(lf_liftOff(moving, i - 1, roll));
      rolls.push_back(roll);
    }
  }
  const auto inRoll = [&rolls](double from, double to) {
    return std::any_of(rolls.begin(), rolls.end(), [&](const Interval& r) {
      return from >= r.from - rollEdgeSeconds && to <= r.to + rollEdgeSeconds;
    });
  };

  for (const auto& run : lf_runs(moving, [](const Moving& m) {
         return m.pose->onGround && m.speedKt > noseOffAboveKt && m.axisOffDeg >= noseOffAngleDeg;
       })) {
    const double seconds = lf_seconds(moving, run);
    if (seconds < noseOffSeconds - timeTolerance) continue;
    NoseOffSpan span{object, moving[run.first].pose->time, seconds, 0.0, 0.0};
    for (std::size_t i = run.first; i <= run.second; ++i) {
      span.worstDeg = std::max(span.worstDeg, moving[i].axisOffDeg);
      span.fastestKt = std::max(span.fastestKt, moving[i].speedKt);
    }
    out.noseOff.push_back(span);
  }

  const auto speedSpans = [&](auto condition, auto speedOf, std::vector<SpeedSpan>& into, bool rollsExcepted) {
    for (const auto& run : lf_runs(moving, condition)) {
      const double seconds = lf_seconds(moving, run);
      const double from = moving[run.first].pose->time, to = moving[run.second].pose->time;
      if (seconds < shortestSpeedSpanSeconds - timeTolerance || (rollsExcepted && inRoll(from, to))) continue;
      SpeedSpan span{object, from, seconds, 0.0, 0.0, 0.0};
      lf_reportedSpeeds(reports, from, to, span);
      for (std::size_t i = run.first; i <= run.second; ++i) span.fastestKt = std::max(span.fastestKt, speedOf(moving[i]));
      into.push_back(span);
    }
  };
  speedSpans([](const Moving& m) { return m.pose->onGround && m.speedKt > fastGroundAboveKt; },
             [](const Moving& m) { return m.speedKt; }, out.fastOnGround, true);
  speedSpans([](const Moving& m) { return m.pose->onGround && m.backwardsKt > backwardsAboveKt; },
             [](const Moving& m) { return m.backwardsKt; }, out.backwards, false);

  lf_flips(moving, out.flips);
  lf_surges(moving, reports, shown, out.surges);

  for (const Moving& m : moving) {
    if (!m.known || !m.pose->onGround) continue;
    if (!inRoll(m.pose->time, m.pose->time)) out.fastestOffRollKt = std::max(out.fastestOffRollKt, m.speedKt);
    if (m.speedKt > noseOffAboveKt) out.worstNoseOffDeg = std::max(out.worstNoseOffDeg, m.axisOffDeg);
    out.fastestBackwardsKt = std::max(out.fastestBackwardsKt, m.backwardsKt);
  }

  const PoseSample& last = *poses.back();
  if (last.time < traceEnd - largestSampleGapSeconds) {
    Removal removal{object, last.time, moving.back().known ? moving.back().speedKt : 0.0, last.onGround, false};
    const bool afterTouchdown = std::any_of(touchdowns.begin(), touchdowns.end(), [&](double t) {
      return last.time - t <= landingRollSeconds + timeTolerance;
    });
    removal.onRunway = last.onGround && (removal.speedKt > removalOnRunwayAboveKt || afterTouchdown);
    out.removals.push_back(removal);
  }
}

// How long each surface report waited for a pose of its callsign.
void lf_checkLag(const std::vector<const PoseSample*>& poses, const std::vector<const ReportSample*>& reports,
                 CallsignMotion& out) {
  if (poses.empty()) return;
  const auto lives = [&poses](double t) {
    // Within one object's life: a pose within the largest gap on either side.
    const auto next = std::lower_bound(poses.begin(), poses.end(), t,
                                       [](const PoseSample* p, double time) { return p->time < time; });
    const bool after = next != poses.end() && (*next)->time - t <= largestSampleGapSeconds;
    const bool before = next != poses.begin() && t - (*std::prev(next))->time <= largestSampleGapSeconds;
    return after || before;
  };
  for (const ReportSample* r : reports) {
    if (!r->onGround || !lives(r->time)) continue;
    ++out.reports;
    const auto near = [r](const PoseSample* p) {
      return lf_metres(p->latitude, p->longitude, r->latitude, r->longitude) <= reachedWithinM;
    };
    auto i = std::lower_bound(poses.begin(), poses.end(), r->time - alreadyThereSeconds,
                              [](const PoseSample* p, double time) { return p->time < time; });
    bool there = false;
    for (; i != poses.end() && (*i)->time <= r->time + timeTolerance; ++i) there = there || near(*i);
    if (there) continue;
    std::optional<double> nearest;
    double nearestMetres = reachedWithinM;
    for (; i != poses.end() && (*i)->time <= r->time + longestLagSeconds; ++i) {
      if (!near(*i)) {
        if (nearest) break;  // passed by
        continue;
      }
      const double metres = lf_metres((*i)->latitude, (*i)->longitude, r->latitude, r->longitude);
      if (!nearest || metres < nearestMetres - nearerByM) {
        nearest = (*i)->time;
        nearestMetres = metres;
      } else if ((*i)->time - *nearest > nearerWithinSeconds) {
        break;  // stopped there, or creeping: the pass is over
      }
    }
    if (!nearest) {
      ++out.unreachedReports;
      continue;
    }
    const double lag = *nearest - r->time;
    if (lag > out.largestLagSeconds) {
      out.largestLagSeconds = lag;
      out.largestLagAt = r->time;
    }
  }
}

// Surface reports no pose of the callsign came near before its next report
// was due; poses of the callsign in time order, of all its objects.
void lf_checkReached(const std::vector<const PoseSample*>& poses, const std::vector<const ReportSample*>& reports,
                     double traceEnd, CallsignMotion& out) {
  if (poses.empty()) return;
  const double first = poses.front()->time, last = std::min(poses.back()->time, traceEnd);
  for (std::size_t k = 0; k < reports.size(); ++k) {
    const ReportSample& r = *reports[k];
    const double due = r.time + reportDelaySeconds;
    if (!r.onGround || due < first - timeTolerance || due > last + timeTolerance) continue;
    ++out.reportsDue;
    const double until =
        k + 1 < reports.size() ? std::min(reports[k + 1]->time + reportDelaySeconds, traceEnd) : traceEnd;
    auto i = std::lower_bound(poses.begin(), poses.end(), r.time - alreadyThereSeconds,
                              [](const PoseSample* p, double time) { return p->time < time; });
    bool reached = false;
    for (; !reached && i != poses.end() && (*i)->time <= until + timeTolerance; ++i)
      reached = lf_metres((*i)->latitude, (*i)->longitude, r.latitude, r.longitude) <= reachedWithinM;
    if (!reached) out.neverReached.push_back(r.time);
  }
}

} // namespace

const CallsignMotion& MotionReport::of(const std::string& callsign) const {
  static const CallsignMotion none;
  const auto found = callsigns.find(callsign);
  return found == callsigns.end() ? none : found->second;
}

MotionReport gf_checkMotion(std::vector<PoseSample> poses, std::vector<ReportSample> reports, double traceEnd) {
  std::stable_sort(poses.begin(), poses.end(), [](const PoseSample& a, const PoseSample& b) {
    return a.object != b.object ? a.object < b.object : a.time < b.time;
  });
  std::stable_sort(reports.begin(), reports.end(),
                   [](const ReportSample& a, const ReportSample& b) { return a.time < b.time; });
  for (const PoseSample& p : poses) traceEnd = std::max(traceEnd, p.time);
  // The user aircraft's poses (no callsign) only keep the trace's clock.
  std::erase_if(poses, [](const PoseSample& p) { return p.callsign.empty(); });

  std::map<std::string, std::vector<const ReportSample*>> reportsOf;
  for (const ReportSample& r : reports) reportsOf[r.callsign].push_back(&r);

  std::map<std::string, std::vector<Shown>> shownOf;
  for (const auto& [callsign, of] : reportsOf) shownOf[callsign] = lf_shown(of);

  MotionReport report;
  std::map<std::string, std::vector<const PoseSample*>> posesOf;  // by callsign, in time order
  for (std::size_t i = 0; i < poses.size();) {
    std::size_t end = i;
    std::vector<const PoseSample*> object;
    while (end < poses.size() && poses[end].object == poses[i].object) object.push_back(&poses[end++]);
    const std::string& callsign = poses[i].callsign;
    CallsignMotion& motion = report.callsigns[callsign];
    motion.callsign = callsign;
    lf_checkObject(object, reportsOf[callsign], shownOf[callsign], traceEnd, motion);
    auto& all = posesOf[callsign];
    all.insert(all.end(), object.begin(), object.end());
    i = end;
  }
  for (auto& [callsign, motion] : report.callsigns) {
    auto& all = posesOf[callsign];
    std::stable_sort(all.begin(), all.end(), [](const PoseSample* a, const PoseSample* b) { return a->time < b->time; });
    lf_checkLag(all, reportsOf[callsign], motion);
    lf_checkReached(all, reportsOf[callsign], traceEnd, motion);
    report.flips += static_cast<int>(motion.flips.size());
    report.surges += static_cast<int>(motion.surges.size());
    report.neverReached += static_cast<int>(motion.neverReached.size());
    report.noseOffSpans += static_cast<int>(motion.noseOff.size());
    report.fastGroundSpans += static_cast<int>(motion.fastOnGround.size());
    report.backwardSpans += static_cast<int>(motion.backwards.size());
    report.liftOffs += static_cast<int>(motion.liftOffs.size());
    report.crookedLiftOffs += static_cast<int>(
        std::count_if(motion.liftOffs.begin(), motion.liftOffs.end(), [](const LiftOff& l) { return !l.straight; }));
    report.runwayRemovals += static_cast<int>(
        std::count_if(motion.removals.begin(), motion.removals.end(), [](const Removal& r) { return r.onRunway; }));
    report.largestLagSeconds = std::max(report.largestLagSeconds, motion.largestLagSeconds);
  }
  return report;
}

std::string gf_motionText(const MotionReport& report, double origin) {
  std::string text = fmt::format(
      "{} nose-off spans, {} fast on the ground, {} backwards, {} lift-offs ({} not straight), "
      "{} removed on a runway, largest lag {:.0f} s, {} flips, {} surges, {} reports never reached\n",
      report.noseOffSpans, report.fastGroundSpans, report.backwardSpans, report.liftOffs, report.crookedLiftOffs,
      report.runwayRemovals, report.largestLagSeconds, report.flips, report.surges, report.neverReached);
  for (const auto& [callsign, m] : report.callsigns) {
    text += fmt::format(
        "{}: {} object(s); on the ground outside rolls up to {:.0f} kt, nose up to {:.0f} deg off the path, "
        "backwards up to {:.0f} kt; largest lag {:.0f} s",
        callsign, m.objects.size(), m.fastestOffRollKt, m.worstNoseOffDeg, m.fastestBackwardsKt, m.largestLagSeconds);
    if (m.largestLagSeconds > 0.0) text += fmt::format(" (report at {:.1f} s)", m.largestLagAt - origin);
    text += fmt::format(
        ", {} of {} surface reports unreached; {} flips, {} surges, {} of {} surface reports never reached",
        m.unreachedReports, m.reports, m.flips.size(), m.surges.size(), m.neverReached.size(),
                        m.reportsDue);
    if (!m.neverReached.empty()) text += fmt::format(" (the first at {:.1f} s)", m.neverReached.front() - origin);
    text += "\n";
    for (const Flip& f : m.flips)
      text += fmt::format(
          "  flip: object {} at {:.1f} s, nose {:.0f} to {:.0f} deg ({:.0f} deg) within {:.0f} s at {:.0f} kt\n",
          f.object, f.time - origin, f.fromDeg, f.toDeg, f.turnedDeg, motionWindowSeconds, f.speedKt);
    for (const SpeedSpan& s : m.surges)
      text += fmt::format(
          "  surge: object {} at {:.1f} s for {:.1f} s, up to {:.0f} kt (reports about then up to {:.0f} kt, "
          "their positions up to {:.0f} kt)\n",
          s.object, s.start - origin, s.seconds, s.fastestKt, s.reportedKt, s.reportedPaceKt);
    for (const NoseOffSpan& s : m.noseOff)
      text += fmt::format("  nose off: object {} at {:.1f} s for {:.1f} s, up to {:.0f} deg at up to {:.0f} kt\n", s.object,
                          s.start - origin, s.seconds, s.worstDeg, s.fastestKt);
    for (const SpeedSpan& s : m.fastOnGround)
      text += fmt::format(
          "  fast on the ground: object {} at {:.1f} s for {:.1f} s, up to {:.0f} kt (reported up to {:.0f} kt, "
          "reported positions up to {:.0f} kt)\n",
          s.object, s.start - origin, s.seconds, s.fastestKt, s.reportedKt, s.reportedPaceKt);
    for (const SpeedSpan& s : m.backwards)
      text += fmt::format("  backwards: object {} at {:.1f} s for {:.1f} s, up to {:.0f} kt\n", s.object, s.start - origin,
                          s.seconds, s.fastestKt);
    for (const LiftOff& l : m.liftOffs)
      text += fmt::format(
          "  lift-off: object {} at {:.1f} s after a roll of {:.0f} s and {:.0f} m on {:.0f} deg, path within {:.1f} deg, "
          "nose within {:.1f} deg: {}\n",
          l.object, l.time - origin, l.rollSeconds, l.rollMetres, l.courseDeg, l.worstPathDeg, l.worstNoseDeg,
          l.straight ? "straight" : "NOT straight");
    for (const Removal& r : m.removals)
      text += fmt::format("  removed: object {} at {:.1f} s, {} at {:.0f} kt{}\n", r.object, r.time - origin,
                          r.onGround ? "on the ground" : "in the air", r.speedKt, r.onRunway ? ", on a runway" : "");
  }
  return text;
}

} // namespace gwr::motioncheck
