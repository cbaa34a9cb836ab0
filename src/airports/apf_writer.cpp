// The stand file writer: meta block, header parameters, one parkpos per stand
// and, in the learned form, one opt per flight seen there.
#include "airports/apf_writer.h"

#include <cmath>
#include <string_view>
#include <system_error>

#include <fmt/format.h>

#include "core/file_maintenance.h"
#include "core/geo.h"
#include "core/log.h"
#include "core/settings_catalogue.h"
#include "core/version.h"
#include "core/xml_meta.h"
#include "core/xml_parameter.h"
#include "refdata/airports_table.h"
#include "refdata/code_pools.h"

namespace gwr {

namespace {

const char* lf_boolText(bool value) { return value ? "true" : "false"; }

// Appends name=value pairs in turn, remembering any failure.
class AttributeWriter {
public:
  explicit AttributeWriter(pugi::xml_node node) : node_(node) {}
  AttributeWriter& add(std::string_view name, std::string_view value) {
    ok_ = gf_appendAttribute(node_, name, value) && ok_;
    return *this;
  }
  bool ok() const { return ok_; }

private:
  pugi::xml_node node_;
  bool ok_ = true;
};

void lf_writeFullStand(AttributeWriter& out, const StandRecord& stand) {
  out.add("latitude", fmt::format("{:.6f}", stand.latitude))
      .add("longitude", fmt::format("{:.6f}", stand.longitude))
      .add("heading", fmt::format("{:.1f}", stand.heading * degreesPerRadian))
      .add("radius", fmt::format("{:.1f}", stand.radius * metresPerNm))
      .add("type", fmt::format("{}", stand.type))
      .add("cargo", lf_boolText(stand.cargo != 0))
      .add("ramp", lf_boolText(stand.ramp != 0));
  if (stand.heli) out.add("heli", "true");
  if (stand.manual) out.add("manual", "true");
}

void lf_writeLearnedStand(AttributeWriter& out, const StandRecord& stand, bool handmade) {
  // A handmade file replaces the airport's stands when it is read, so each of
  // its stands must stand on its own: a bare change record would be dropped.
  if (stand.manual || handmade) {
    lf_writeFullStand(out, stand);
    return;
  }
  if (stand.radius_change)
    out.add("radius_change", "true").add("radius", fmt::format("{:.1f}", stand.radius * metresPerNm));
  if (stand.cargo_change) out.add("cargo_change", "true").add("cargo", lf_boolText(stand.cargo != 0));
}

bool lf_writeOption(pugi::xml_node parkpos, const StandOption& option) {
  if (option.index == 0 || option.registration.empty()) return true;
  // Options learned over separate stays hold gaps; the list form keeps them.
  const auto hours = gf_hoursText(option.hours);
  if (!hours) {
    gf_logError(fmt::format("bit set problem: {} {} {}", option.registration, option.callsign1,
                            option.codes.keyText()));
    return true;
  }
  pugi::xml_node opt = parkpos.append_child("opt");
  if (!opt) return false;
  AttributeWriter out(opt);
  out.add("reg", option.registration);
  if (!option.codes.fromDbase)
    out.add("airl", gf_airlineCode(option.codes.airline)).add("type", gf_modelCode(option.codes.model));
  if (option.real == 0) out.add("soft", "true");
  out.add("day", fmt::format("{}", option.day)).add("hh", *hours);
  if (!option.callsign1.empty())
    out.add("cs", option.callsign2.empty() ? option.callsign1 : option.callsign1 + ":" + option.callsign2);
  if (option.cpl) out.add("cpl", "true");
  return out.ok();
}

bool lf_writeStand(pugi::xml_node parkpositions, const StandRecord& stand, ApfMode mode, bool handmade) {
  pugi::xml_node parkpos = parkpositions.append_child("parkpos");
  if (!parkpos) return false;
  AttributeWriter out(parkpos);
  out.add("id", stand.id);
  if (mode == ApfMode::Generated) {
    lf_writeFullStand(out, stand);
    return out.ok();
  }
  lf_writeLearnedStand(out, stand, handmade);
  bool ok = out.ok();
  for (const StandOption& option : stand.options) ok = lf_writeOption(parkpos, option) && ok;
  return ok;
}

bool lf_appendInt(pugi::xml_node parameters, std::string_view key, std::int64_t value) {
  return gf_appendStringParameter(parameters, key, fmt::format("{}", value));
}

bool lf_appendLearnedSettings(pugi::xml_node parameters) {
  const auto maxFit = static_cast<std::int64_t>(std::lround(2.0 * MAX_FIT_FL.current())) - 1;
  bool ok = lf_appendInt(parameters, RANGE.key, RANGE.current());
  ok = gf_appendBoolParameter(parameters, AUTO_RANGE.key, AUTO_RANGE.current()) && ok;
  ok = gf_appendBoolParameter(parameters, WEEK.key, WEEK.current()) && ok;
  ok = gf_appendBoolParameter(parameters, PARK_SOFT.key, PARK_SOFT.current()) && ok;
  ok = lf_appendInt(parameters, parking_percentage.key, parking_percentage.current()) && ok;
  ok = gf_appendBoolParameter(parameters, INITIAL_LOAD_ONLY.key, INITIAL_LOAD_ONLY.current()) && ok;
  ok = lf_appendInt(parameters, MAX_FIT.key, maxFit) && ok;
  return lf_appendInt(parameters, MAX_LIVE_SEL.key, MAX_LIVE_SEL.current()) && ok;
}

} // namespace

bool gf_writeApfParameters(pugi::xml_node root, const ApfData& data, ApfMode mode) {
  pugi::xml_node parameters = root.append_child("parameters");
  if (!parameters) return false;
  const bool generated = mode == ApfMode::Generated;
  const bool stock = data.publisher == stockPublisher;
  bool ok = gf_appendStringParameter(parameters, "icao", data.icao.view());
  ok = gf_appendStringParameter(parameters, "airport_name", data.airport_name) && ok;
  ok = gf_appendStringParameter(parameters, "publisher", data.publisher) && ok;
  if (data.manifest && !data.manifest->version.empty() && !stock)
    ok = gf_appendStringParameter(parameters, "version", data.manifest->version) && ok;
  if (data.handmade) ok = gf_appendStringParameter(parameters, "handmade", "true") && ok;
  if (generated || data.handmade) ok = lf_appendInt(parameters, "altitude", data.altitude) && ok;
  if (generated) ok = lf_appendInt(parameters, "num_parkpos", static_cast<std::int64_t>(data.stands.size())) && ok;
  if (!stock) ok = gf_appendBoolParameter(parameters, "Facilities", data.Facilities) && ok;
  if (data.handmade && data.Qf_real >= 0) ok = lf_appendInt(parameters, "Qf_real", data.Qf_real) && ok;
  if (data.handmade && data.Qf_soft >= 0) ok = lf_appendInt(parameters, "Qf_soft", data.Qf_soft) && ok;
  if (data.publisher.empty()) {
    ok = gf_appendStringParameter(parameters, "BGLpath", data.BGLpath) && ok;
    if (data.manifest) {
      ok = gf_appendStringParameter(parameters, "manufacturer", data.manifest->manufacturer) && ok;
      ok = gf_appendStringParameter(parameters, "creator", data.manifest->creator) && ok;
    }
  }
  if (!generated) ok = lf_appendLearnedSettings(parameters) && ok;
  return ok;
}

bool gf_writeApf(const ApfData& data, const std::filesystem::path& file, ApfMode mode, std::int32_t sim) {
  pugi::xml_document document;
  MetaInfo meta;
  meta.version = programVersion.text();
  meta.sim = sim;
  if (!gf_writeMeta(document, meta)) return false;
  pugi::xml_node root = document.child("root");
  if (!gf_writeApfParameters(root, data, mode)) return false;
  pugi::xml_node parkpositions = root.append_child("parkpositions");
  if (!parkpositions) return false;
  for (const StandRecord& stand : data.stands)
    if (!lf_writeStand(parkpositions, stand, mode, data.handmade)) return false;
  if (file.has_parent_path()) {
    std::error_code ignored;  // a folder that cannot be made shows in the save's result
    gf_makeFolders(file.parent_path(), ignored);
  }
  return gf_saveXml(document, file);
}

} // namespace gwr
