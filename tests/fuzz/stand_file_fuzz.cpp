// libFuzzer target: an airport stand file read as the park airport's file and
// merged as a learned file; anything may be refused, nothing may crash.
#include <cstddef>
#include <cstdint>
#include <exception>

#include <pugixml.hpp>

#include "airports/apf_reader.h"
#include "airports/learned_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pugi::xml_document document;
  if (!document.load_buffer(data, size)) return 0;
  gwr::StandTable table;
  try {
    gwr::gf_readParkPositions(document, table);
  } catch (const std::exception&) {
    return 0;  // refused files are an answer
  }
  for (const pugi::xml_node parkpos : gwr::gf_findParkPositions(document).children("parkpos")) {
    const gwr::LearnedStand learned{parkpos.attribute("id").value(), parkpos, false};
    try {
      for (gwr::StandRecord& stand : table)
        if (gwr::lf_mergeLearnedStand(learned, stand)) break;
    } catch (const std::exception&) {
      return 0;
    }
  }
  return 0;
}
