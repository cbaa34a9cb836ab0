// Loading the program's own XML files: read through the guarded file read, so
// that a named pipe or device in a file's place is refused instead of waited on.
#pragma once

#include <filesystem>

#include <pugixml.hpp>

namespace gwr {

// As document.load_file(path) with the default options and encoding
// detection; a file that is missing gives status_file_not_found, one that
// cannot be read or is no regular file status_io_error (the latter logged).
pugi::xml_parse_result gf_loadXmlFile(pugi::xml_document& document, const std::filesystem::path& path);

} // namespace gwr
