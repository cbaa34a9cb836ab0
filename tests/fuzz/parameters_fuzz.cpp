// libFuzzer target for parameters.xml: the bytes as the settings file of a
// throw-away user folder, loaded (and written back) as at every start.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/paths.h"
#include "core/settings_file.h"
#include "platform/sys/known_folders.h"

namespace {

std::filesystem::path userRoot;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string pattern = (std::filesystem::temp_directory_path() / "gwr-parameters-fuzz-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  userRoot = pattern;
  gwr::platform::setKnownFolderRootForTests(userRoot);
  gwr::gf_resetPerUserPathsForTests();
  std::filesystem::create_directories(gwr::gf_perUserFolder());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path file = gwr::gf_parametersFile();
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  gwr::gf_loadParameters();
  return 0;
}
