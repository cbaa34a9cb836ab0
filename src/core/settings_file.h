// parameters.xml: loading every setting at start, writing them all, and the
// window position read before the main window exists.
#pragma once

namespace gwr {

// Loads every registered setting, clamping numbers in memory, appends missing
// ones and writes back the file's own structure (meta block and parameters,
// comments and instructions); a file without `root` then gets it.
// True when the file had to be made anew with the defaults (missing, damaged,
// nested too deep, or without `parameters`); a damaged file is kept as its "0"
// generation first. A file that is there but cannot be read is reported and
// left alone: false, the values in memory stay. A SIM_CHOICE that is none of
// its choices is reported and its default used in memory.
bool gf_loadParameters();

// Writes every registered setting into a new file: the defaults (and the
// running version as PROGRAM_VERSION's default) or the current values.
void gf_saveParameters(bool defaults);

// Called by the loader and the single saves when they meet a file without
// `root`: puts it around everything the user's file holds; a missing or
// damaged file is written anew from the values in memory.
void gf_addRootToParametersXml();

// Before the window exists: a damaged file is kept as its "0" generation and
// removed (not when no copy could be made); a good one gives MAIN_WINDOW_X and
// MAIN_WINDOW_Y; an unreadable one is left to gf_loadParameters.
void gf_readWindowPosition();

} // namespace gwr
