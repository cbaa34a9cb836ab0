// libFuzzer target: any bytes read as a BGL scenery file; airports may be
// found or refused, nothing may read outside the file or crash.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "airports/bgl_reader.h"

namespace {

class AcceptingEvents : public gwr::BglReaderEvents {
public:
  bool acceptCode(const std::string&) override { return true; }
  void note(std::string) override {}
  void log(std::string, bool) override {}
  bool wantStands(gwr::ApfData&) override { return true; }
  void airportRead(gwr::ApfData& apf, std::int32_t) override { stands += apf.stands.size(); }
  std::size_t stands = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  std::vector<std::uint32_t> words;
  gwr::gf_readFileWords(in, words);
  AcceptingEvents events;
  gwr::gf_processBglWords(words, "fuzz.bgl", events);
  return 0;
}
