// libFuzzer target for aircraft.cfg files: the bytes as the lines of one file,
// cut into [fltsim.N] sections and every section processed as the scan does.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_files.h"
#include "liveries/aircraft_cfg_sections.h"
#include "liveries/fltsim_section.h"
#include "liveries/ivao_section.h"
#include "liveries/model_code.h"
#include "liveries/scan_reports.h"
#include "refdata/dbase_reader.h"

namespace {

constexpr int fuzzFolderRank = 1;
constexpr const char* fallbackModel = "B738";  // when the file names none

// The real reference database, so that codes in titles are known or not as
// in a real scan. The file paths exist nowhere: the sections are only read.
const std::filesystem::path ordinaryFile = "/nonexistent/Community/pkg/SimObjects/Airplanes/B738/aircraft.cfg";
const std::filesystem::path ivaoFile = "/nonexistent/Community/IVAO_MTL/SimObjects/Airplanes/IVAO_B738/aircraft.cfg";

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  gwr::gf_readDbaseXml(std::filesystem::path(GWR_SOURCE_DIR) / "data/dbase/dbase.xml");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the kind of file, the rest is its text.
  const bool ivao = (data[0] & 1U) != 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::filesystem::path& file = ivao ? ivaoFile : ordinaryFile;

  std::vector<std::string> lines;
  gwr::gf_splitLines(text, lines);
  gwr::FltSimSections cut = gwr::gf_cutFltSimSections(lines, ivao);
  if (gwr::gf_checkFltSimNumbers(cut, file)) {
    std::string model = ivao ? gwr::gf_ivaoModelCode(file) : gwr::gf_modelOfCfgFile(file, lines);
    if (model.empty()) model = fallbackModel;
    const gwr::CfgFileContext context = gwr::gf_makeCfgFileContext(fuzzFolderRank, file, model, ivao);
    for (gwr::CfgSection& section : cut.sections) {
      if (ivao) {
        gwr::gf_processIvaoFltSimSection(context, section);
      } else {
        gwr::gf_procesFltSimSection(context, section);
      }
    }
  }
  // The reports would otherwise grow with every input.
  gwr::gf_clearScanReports();
  return 0;
}
