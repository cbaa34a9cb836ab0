// The user aircraft's model from its "ATC MODEL" reply: the model code cleaned
// up, its half wingspan and category, with fall-backs for models it cannot name.
#include <fmt/format.h>

#include <array>
#include <string>
#include <utility>

#include "core/log.h"
#include "core/main_window_state.h"
#include "core/status_line.h"
#include "core/user_error.h"
#include "refdata/code_pools.h"
#include "refdata/dbase_tables.h"
#include "refdata/reference_queries.h"
#include "traffic/simclient/sim_client_hooks.h"
#include "traffic/simclient/user_aircraft.h"

namespace gwr {
namespace {

constexpr double metresPerNm = 1852.0;
constexpr std::string_view textureSuffix = ".0.text";
constexpr std::size_t shortestWithSuffix = 7;
constexpr std::string_view packedPrefix = "$$:";
constexpr std::size_t shortestPacked = 5;
constexpr std::size_t aerosoftPrefixChars = 13;
constexpr std::size_t longestModelCode = 4;
constexpr std::size_t shortestDg737Title = 10;

double spanOf(const std::string& model) { return gf_halfWingspan(gf_modelIndex(model)); }

std::string normalisedModel(std::string m, const std::string& title) {
  static const std::array<std::pair<std::string_view, std::string_view>, 4> renamed{
      {{"A350-900", "A359"}, {"N738B", "B38M"}, {"777", "772"}, {"A330-200 (RR)", "A332"}}};
  for (const auto& [from, to] : renamed) {
    if (m == from) return std::string(to);
  }
  if (auto at = m.find(textureSuffix); m.size() >= shortestWithSuffix && at != std::string::npos) {
    for (std::size_t length : {4u, 3u, 2u}) {
      if (length > at) continue;
      auto candidate = m.substr(at - length, length);
      if (spanOf(candidate) != 0.0) return candidate;
    }
    return m;
  }
  if (m.starts_with(packedPrefix) && m.size() >= shortestPacked) return m.substr(packedPrefix.size());
  if (m == "737") {
    if (title.size() >= shortestDg737Title && title.find("DG 737-800") != std::string::npos) return "B738";
    static const std::array<std::pair<std::string_view, std::string_view>, 3> dg{
        {{"DG 737-700", "B737"}, {"DG 737-600", "B736"}, {"DG 737-900", "B739"}}};
    for (const auto& [text, code] : dg) {
      if (title.find(text) != std::string::npos) return std::string(code);
    }
  }
  return m;
}

// The title shows in the simulator's colour only for a model whose wingspan is known.
void setWingspanKnown(bool known) {
  gf_mainWindow().secondSimulatorLineInColour.store(known);
  gf_repaintBand(statusBand);
}

void describeModel(const std::string& raw) {
  UserAircraftKind kind = gf_userAircraftKind();
  if (raw.empty()) {
    // The user-aircraft line says why no model is known.
    gf_showStatusText(StatusText::simulatorSecond, "Unknown (encrypted?) aircraft");
    setStatusText("171: No model info from your user aircraft received in SimConnect, CRJ7 is taken instead", true);
    const double span = spanOf("CRJ7");
    kind.halfWingspanNm = span != 0.0 ? span : maxHalfSpan;
    kind.halfWingspanSet = true;
    lf_setUserAircraftKind(kind);
    return;
  }
  gf_logIndented("model raw: " + raw);
  const std::string title = lf_lastUserTitle();
  std::string m = normalisedModel(raw, title);
  std::string line = "SimConnect: User aircraft model: " + m;
  if (m.find("camerapod") != std::string::npos || m.find("Crew Vessel") != std::string::npos) {
    setWingspanKnown(true);
    kind.halfWingspanNm = spanOf("E190");
    kind.category = 0;
  } else {
    // A span of 0.0 is no span: the title rule gets its chance.
    double span = m.size() <= longestModelCode ? spanOf(m) : maxHalfSpan;
    bool spanKnown = span != maxHalfSpan && span != 0.0;
    if (!spanKnown) {
      const std::string head = title.substr(0, aerosoftPrefixChars);
      if (title.size() >= aerosoftPrefixChars &&
          (head == "Aerosoft A319" || head == "Aerosoft A320" || head == "Aerosoft A321")) {
        m = head.substr(head.size() - longestModelCode);  // "A319", "A320" or "A321"
        line = "SimConnect: User aircraft model deduced from title: " + m;
        span = spanOf(m);
        if (span == 0.0) span = maxHalfSpan;
        spanKnown = true;
      } else {
        setWingspanKnown(false);
        setStatusText("User aircraft wing span unknown, max is taken instead, please report in my Forum!", true);
        span = maxHalfSpan;
      }
    }
    if (spanKnown) {
      setWingspanKnown(true);
      line += fmt::format(", half wing span: {:.1F} meter", span * metresPerNm);
    }
    kind.halfWingspanNm = span;
    kind.category = static_cast<std::uint32_t>(gf_modelCategory(gf_modelIndex(m)));
    line += fmt::format(", category: {}", kind.category);
  }
  kind.model = m;
  kind.halfWingspanSet = true;
  lf_setUserAircraftKind(kind);
  gf_logIndented(line);
}

} // namespace

void lf_userAircraftModel(const std::string& model) {
  try {
    describeModel(model);
  } catch (const UserErrorException&) {
    throw;
  } catch (...) {
    throw UserErrorException(73, "It looks like you have not selected an aircraft as user vehicle");
  }
}

} // namespace gwr
