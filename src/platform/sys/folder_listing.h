// Looks at paths and lists folders through the path walker, so that reading
// a folder or a file's kind never lets the system follow a link blindly.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <system_error>
#include <vector>

#include "platform/sys/native_path.h"

namespace gwr::platform {

// What a look at a path found, a link at its end walked as the path walker
// walks it: another user's link leads only to that user's own things
// (foreignLink otherwise).
struct FileLook {
  FileKind kind = FileKind::missing;
  std::uintmax_t bytes = 0;  // of a regular file

  bool exists() const { return kind != FileKind::missing; }
  bool isFolder() const { return kind == FileKind::folder; }
  bool isRegular() const { return kind == FileKind::regular; }
};

// The look at path. As std::filesystem::status, error stays clear when
// nothing is there and is set when the look fails for another cause
// (foreignLinkError for another user's link).
FileLook lookAt(const std::filesystem::path& path, std::error_code& error);
// The same, throwing filesystem_error where that error would be set.
FileLook lookAt(const std::filesystem::path& path);

// As std::filesystem::exists, is_directory and is_regular_file with an
// error: false when the look fails, error set then.
bool pathExists(const std::filesystem::path& path, std::error_code& error);
bool isFolder(const std::filesystem::path& path, std::error_code& error);
bool isRegularFile(const std::filesystem::path& path, std::error_code& error);

// One name in a listed folder.
struct ListedEntry {
  std::filesystem::path path;  // the listed folder's path / the name
  FileKind kind = FileKind::missing;  // a link's walked as above, never followed otherwise
  bool link = false;                  // the name itself is a symbolic link

  bool isFolder() const { return kind == FileKind::folder; }
  bool isRegular() const { return kind == FileKind::regular; }
};

// The entries of folder, walked to by the path walker and read from its
// descriptor, in the order the system lists them. Empty with error set when
// the folder cannot be listed (foreignLinkError for another user's link on
// the way); with skipDenied a folder this process may not read is empty.
std::vector<ListedEntry> listFolder(const std::filesystem::path& folder, std::error_code& error,
                                    bool skipDenied = false);
// The same of a folder held open, its entries named below path.
std::vector<ListedEntry> listFolder(const Folder& folder, const std::filesystem::path& path, std::error_code& error,
                                    bool skipDenied = false);

// What a tree walk does after an entry.
enum class TreeStep {
  into,  // into the entry when it is a folder and no link
  over,  // not into it
  stop,  // no further entry
};

// Whether a walk passes over a folder it cannot read (true) or ends there.
using PassOver = std::function<bool(const std::filesystem::path& folder, const std::error_code& error)>;

// Every entry below folder, depth first in listing order, as
// std::filesystem::recursive_directory_iterator gives them: each sub-folder
// opened through its parent's descriptor, a link to a folder never entered.
// A folder that cannot be read (folder itself too) ends the walk with error
// set, unless passOver, told of it, lets the walk go on without it.
void walkTree(const std::filesystem::path& folder, const std::function<TreeStep(const ListedEntry&)>& visit,
              std::error_code& error, const PassOver& passOver = {});

} // namespace gwr::platform
