// libFuzzer target for the pressure datagram: any bytes as one datagram of
// the QNH stream; the published value must stay within 900..1100 hPa.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "traffic/feed/qnh_reader.h"
#include "traffic/feed/traffic_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static gwr::TrafficReader traffic;
  static gwr::QnhReader qnh(traffic);
  qnh.handleTextForTests(std::string_view(reinterpret_cast<const char*>(data), size));
  const auto hpa = traffic.qnh.load();
  if (hpa < gwr::minQnhHpa || hpa > gwr::maxQnhHpa) std::abort();
  return 0;
}
