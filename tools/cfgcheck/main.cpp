// gwr-cfgcheck: reads one aircraft.cfg as the livery scan does and prints,
// for each [fltsim.N] section, its livery record or the report lines it caused.
#include <array>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "core/paths.h"
#include "core/text_files.h"
#include "liveries/aircraft_cfg_keys.h"
#include "liveries/aircraft_cfg_sections.h"
#include "liveries/fltsim_section.h"
#include "liveries/ivao_section.h"
#include "liveries/model_code.h"
#include "liveries/scan_reports.h"
#include "platform/sys/case_insensitive.h"
#include "platform/sys/native_path.h"
#include "refdata/dbase_reader.h"

namespace gwr {
namespace {

constexpr int checkFolderRank = 1;

struct Options {
  std::filesystem::path cfg;
  std::filesystem::path dbase;
  bool ok = false;
  bool help = false;
};

// On standard output when asked for, else on standard error.
void lf_printUsage(std::FILE* to) {
  fmt::print(to,
             "usage: gwr-cfgcheck AIRCRAFT.CFG [--dbase DBASE.xml]\n"
             "Shows, for each [fltsim.N] section of AIRCRAFT.CFG, the livery the program's scan\n"
             "gives or the report lines it causes. --dbase: a plain reference database (default:\n"
             "the program's encrypted one, when run in the program folder).\n");
}

Options lf_parseArguments(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      options.help = true;
      return options;
    }
    if (argument == "--dbase" && i + 1 < argc) {
      options.dbase = platform::pathFromUtf8(argv[++i]);
    } else if (!argument.starts_with("-") && options.cfg.empty()) {
      options.cfg = platform::pathFromUtf8(argument);
    } else {
      return options;
    }
  }
  options.ok = !options.cfg.empty();
  return options;
}

bool lf_loadReferenceData(const Options& options) {
  if (!options.dbase.empty()) return gf_readDbaseXml(options.dbase);
  if (std::filesystem::exists(dbaseEncFile)) return gf_readDbase();
  fmt::print(stderr, "No reference database (give --dbase <plain dbase.xml>): every code counts as unknown.\n");
  return true;
}

// Report lines written since sizes were taken, with their file names.
class ReportWatch {
 public:
  ReportWatch() { mark(); }
  void mark() {
    for (std::size_t i = 0; i < scanReportCount; ++i) sizes[i] = gf_scanReportLines(static_cast<ScanReport>(i)).size();
  }
  void printNew(std::string_view indent) {
    for (std::size_t i = 0; i < scanReportCount; ++i) {
      const auto report = static_cast<ScanReport>(i);
      const std::vector<std::string> lines = gf_scanReportLines(report);
      for (std::size_t n = sizes[i]; n < lines.size(); ++n)
        fmt::print("{}{}: {}\n", indent, platform::pathToUtf8(gf_scanReportFile(report).filename()), lines[n]);
    }
    mark();
  }

 private:
  std::array<std::size_t, scanReportCount> sizes{};
};

void lf_printLivery(const LiveryData& livery) {
  fmt::print("  livery {} title '{}'{}\n", livery.key.keyText(), livery.title,
             livery.registration.empty() ? std::string() : fmt::format(" registration '{}'", livery.registration));
}

int lf_check(const Options& options) {
  if (!lf_loadReferenceData(options)) {
    fmt::print(stderr, "Cannot read the reference database {}\n", platform::pathToUtf8(options.dbase));
    return 1;
  }
  const std::filesystem::path& file = options.cfg;
  const Charset charset = gf_detectCharset(file);
  std::vector<std::string> lines;
  if (charset == Charset::none_found || !gf_readTextLines(charset, file, lines)) {
    fmt::print(stderr, "Cannot read {}\n", platform::pathToUtf8(file));
    return 1;
  }
  bool ivao = false;
  const std::string fileText = platform::pathToUtf8(file);
  for (const std::string_view word : ivaoPackageNames) ivao = ivao || platform::containsNoCase(fileText, word);
  fmt::print("{} ({}, {} lines{})\n", fileText, gf_charsetName(charset), lines.size(), ivao ? ", IVAO" : "");

  ReportWatch reports;
  FltSimSections cut = gf_cutFltSimSections(lines, ivao);
  if (!gf_checkFltSimNumbers(cut, file)) {
    fmt::print("section numbers refused: no section is searched\n");
    reports.printNew("  ");
    return 0;
  }
  const std::string model = ivao ? gf_ivaoModelCode(file) : gf_modelOfCfgFile(file, lines);
  fmt::print("model code: {}\n", model.empty() ? "none, no section is searched" : model);
  reports.printNew("  ");
  if (model.empty()) return 0;

  const CfgFileContext context = gf_makeCfgFileContext(checkFolderRank, file, model, ivao);
  for (std::vector<std::string>& section : cut.sections) {
    fmt::print("{}\n", section.front());
    bool found = false;
    if (ivao) {
      const LiveryData livery = gf_processIvaoFltSimSection(context, section);
      if (!gf_lacksAirlineOrModel(livery)) {
        lf_printLivery(livery);
        found = true;
      }
    } else {
      for (const LiveryData& livery : gf_procesFltSimSection(context, section)) {
        lf_printLivery(livery);
        found = true;
      }
    }
    if (!found) fmt::print("  no livery\n");
    reports.printNew("  ");
  }
  return 0;
}

} // namespace
} // namespace gwr

int main(int argc, char** argv) {
  const gwr::Options options = gwr::lf_parseArguments(argc, argv);
  if (options.help) {
    gwr::lf_printUsage(stdout);
    return 0;
  }
  if (!options.ok) {
    gwr::lf_printUsage(stderr);
    return 2;
  }
  try {
    return gwr::lf_check(options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "gwr-cfgcheck: %s\n", error.what());
    return 1;
  }
}
