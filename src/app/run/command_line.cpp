// Reading the production switch from the command line.
#include "app/run/command_line.h"

#include "platform/sys/case_insensitive.h"

namespace gwr {

bool gf_parseProductionSwitch(std::span<const std::string_view> arguments) {
  using platform::equalsNoCase;
  bool production = false;
  for (std::string_view argument : arguments) {
    if (equalsNoCase(argument, "--production") || equalsNoCase(argument, "/production")) {
      production = true;
    } else if (equalsNoCase(argument, "--no-production") || equalsNoCase(argument, "/no-production")) {
      production = false;
    }
  }
  return production;
}

} // namespace gwr
