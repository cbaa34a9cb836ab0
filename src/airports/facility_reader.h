// Reading an airport's stands from the simulator's facility data over a
// connection of its own, with a bounded wait for the end of the answer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "airports/apf_data.h"
#include "core/user_error.h"

namespace gwr {

inline constexpr std::string_view facilityClientName = "PARKING_DATA_RDR";
inline constexpr std::uint32_t parkingFacilityDefinition = 1001;
inline constexpr std::uint32_t parkingFacilityRequest = 2001;
inline constexpr int facilityQuietPassLimit = 10000;  // dispatch passes of about 1 ms without a record: ~10 s
inline constexpr std::size_t facilityReservedStands = 512;

// The simulator answered on the reader's connection with an exception: user
// error 111 "restart". It ends the read of that one airport; simulatorLine is
// the exception as the simulator sent it, for the scan's report.
class SimulatorExceptionError : public UserErrorException {
public:
  explicit SimulatorExceptionError(std::string simulatorLine);
  const std::string& simulatorLine() const noexcept { return simulatorLine_; }

private:
  std::string simulatorLine_;
};

// Reads one airport into out (code, name, altitude in feet, Facilities, stands)
// and helipads. False, with a log line and the connection closed, when the
// connection cannot be opened, the request fails, the connection is lost or the
// answer does not end in time. The simulator answering with an exception is
// logged, closes the connection and throws SimulatorExceptionError.
bool gf_readAirportStands(const std::string& icao, ApfData& out, std::uint32_t& helipads);

bool gf_isFacilityReaderOpen();
// Closes the reader's connection when it is open, with its log lines.
void gf_closeFacilityReader();

// Tests only: how the wait pauses between dispatch passes and how many quiet
// passes it allows (nullptr: sleep 1 ms; 0: the default limit).
void gf_setFacilityWaitForTests(void (*pause)(), int quietPassLimit);

// The airport name field: up to 32 characters, ended by a NUL only when shorter.
std::string gf_facilityNameText(const char* field);

// Stand ids: "helipad1".. for helipads, else the number, repeats with a, b, .. z, aa ...
std::string gf_repeatSuffix(std::uint32_t repeat);

} // namespace gwr
