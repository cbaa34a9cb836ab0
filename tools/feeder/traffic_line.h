// RealTraffic's datagrams as the feeder writes them: the comma-separated
// traffic line, the pressure datagram, and the fields a replay looks at.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "feeder/scenario.h"
#include "feeder/track.h"

namespace gwr::feeder {

// The time stamp as a line carries it (rounded to hundredths of a second);
// the more-than-1-s rule is kept on these values.
double gf_sentTimestamp(double epochSeconds);

// One report in RealTraffic's field layout: 29 fields, no line end.
std::string gf_formatTrafficLine(const ScenarioAircraft& aircraft, const AircraftState& state, double epochSeconds);

// {"QNH":value}; the value is a number in hPa, hundredths of inHg or inHg,
// written as given. None when it is not a finite number.
std::optional<std::string> gf_formatPressureDatagram(std::string_view value);

// Field `index` of a traffic line, none when the line is shorter.
std::optional<std::string_view> gf_lineField(std::string_view line, int index);

// The time stamp (field 14), none when missing or not a finite number.
std::optional<double> gf_lineTimestamp(std::string_view line);

// The line with field 14 replaced by the given time; the line must have one.
std::string gf_withTimestamp(std::string_view line, double epochSeconds);

} // namespace gwr::feeder
