// The [fltsim.N] sections of an aircraft.cfg file: reading a header line,
// cutting a file's lines into sections, checking their numbers, and what the
// processing of every section of one file shares.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace gwr {

// The number a header reads when it starts a section without a plain number
// ([fltsim.x], a header followed by a comment); also the highest number allowed.
inline constexpr int fltsimNumberLimit = 10000;
inline constexpr std::string_view markerSectionNumber = "10000";
// A non-header line with '[' among its first characters ends a section.
inline constexpr std::size_t sectionEndBracketColumns = 6;

// The digits of a [fltsim.N] header ("12", "007"), "10000" for any other line
// that holds "[fltsim." or "[FLTSIM." (no other letter case), empty for a line that starts no
// section (a line beginning with "//" never does).
std::string gf_readSectionNumber(std::string_view line);

using CfgSection = std::vector<std::string>;  // header line first

// The sections of a file in order, with the number each header reads.
struct FltSimSections {
  std::vector<CfgSection> sections;
  std::vector<std::string> numbers;  // one per section
};

// Each section runs from its header up to the next header or the next line
// that ends it: for ordinary files a '[' in its first six columns, for IVAO
// files a '[' anywhere. Lines outside sections are dropped.
FltSimSections gf_cutFltSimSections(const std::vector<std::string>& lines, bool ivaoFile);
// The same, moving the section lines out of lines instead of copying them.
FltSimSections gf_cutFltSimSections(std::vector<std::string>&& lines, bool ivaoFile);

// False when the file must not be searched: a section number that does not
// fit 32 bits (logged) or one above 10000 (an InvalidCfgLines line). A file
// without sections goes into NoFltsimFiles and gives true.
bool gf_checkFltSimNumbers(const FltSimSections& cut, const std::filesystem::path& file);

// What every section of one file is processed with, worked out once per file.
struct CfgFileContext {
  int folderRank = 0;
  std::filesystem::path file;
  std::filesystem::path folder;  // the file's parent
  std::string fileText;          // report path texts
  std::string folderText;
  std::string model;             // the file's model code, never empty
  bool specialIvaoFolder = false;  // IVAO files only: titles carry a 'W'
};

CfgFileContext gf_makeCfgFileContext(int folderRank, const std::filesystem::path& file, std::string model,
                                     bool ivaoFile);

} // namespace gwr
