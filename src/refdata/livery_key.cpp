// Text form of the livery key, with the codes taken from the pools.
#include "refdata/livery_key.h"

#include <fmt/format.h>

#include "refdata/code_pools.h"

namespace gwr {

std::string LivKey::keyText() const {
  const std::string operatorPart = airlineOperator != 0 ? "," + gf_airlineCode(airlineOperator) : std::string{};
  return fmt::format("{:3}{:4} {:4}{}{:3}", gf_airlineCode(airline), operatorPart, gf_modelCode(model),
                     fromDbase != 0 ? '.' : ' ', cargo != 0 ? "(C)" : "");
}

} // namespace gwr
