// XML files read whole through gf_readFileBytes and parsed from memory, as the
// XML library does itself when it opens a file.
#include "core/xml_file.h"

#include <string>

#include "core/text_files.h"
#include "platform/sys/native_path.h"

namespace gwr {

pugi::xml_parse_result gf_loadXmlFile(pugi::xml_document& document, const std::filesystem::path& path) {
  document.reset();
  std::string bytes;
  std::string cause;
  if (!gf_readFileBytes(path, bytes, cause)) {
    pugi::xml_parse_result failed;
    failed.status = platform::kindOfFile(path) == platform::FileKind::missing ? pugi::status_file_not_found
                                                                                : pugi::status_io_error;
    return failed;
  }
  return document.load_buffer(bytes.data(), bytes.size());
}

} // namespace gwr
