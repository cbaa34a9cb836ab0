// Folders read from the descriptor the path walker reached, entries' kinds
// taken beside them without following, links walked by the walker's rule.
#include "platform/sys/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

#include "platform/sys/path_walker.h"

namespace gwr::platform {
namespace {

std::error_code lf_errnoError() { return {errno, std::generic_category()}; }

std::error_code lf_walkError(FileKind kind) {
  return kind == FileKind::foreignLink ? foreignLinkError() : lf_errnoError();
}

// What name in folder is: itself, or for a link where the walker leads.
FileKind lf_entryKind(const Folder& folder, const std::string& name, bool& link) {
  struct stat found {};
  link = false;
  if (::fstatat(folder.fd(), name.c_str(), &found, AT_SYMLINK_NOFOLLOW) != 0) return FileKind::missing;
  link = S_ISLNK(found.st_mode);
  // A link, or a second name of a file, is judged as the walker judges it.
  if (!link && !(S_ISREG(found.st_mode) && found.st_nlink > 1)) return kindOfMode(found.st_mode);
  FileKind kind = FileKind::missing;
  const WalkedPlace place = walkTo(folder, name, kind, true);
  if (!place.isOpen()) return kind;
  return kindAtEnd(place, found);
}

// The entries of the open folder, path the name they are listed under.
bool lf_readFolder(const Folder& folder, const std::filesystem::path& path, std::vector<ListedEntry>& entries,
                   std::error_code& error) {
  // The walked descriptor only leads; a readable one is opened from it.
  const int fd = ::openat(folder.fd(), ".", O_RDONLY | O_DIRECTORY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    error = lf_errnoError();
    return false;
  }
  DIR* listing = ::fdopendir(fd);
  if (listing == nullptr) {
    error = lf_errnoError();
    ::close(fd);
    return false;
  }
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(listing);
    if (entry == nullptr) break;
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    ListedEntry listed;
    listed.path = path / name;
    listed.kind = lf_entryKind(folder, name, listed.link);
    entries.push_back(std::move(listed));
  }
  if (errno != 0) error = lf_errnoError();
  ::closedir(listing);
  return !error;
}

// The entries below the open folder, depth first; false once stopped or failed.
bool lf_walkBelow(const Folder& folder, const std::filesystem::path& path,
                  const std::function<TreeStep(const ListedEntry&)>& visit, std::error_code& error,
                  const PassOver& passOver) {
  std::vector<ListedEntry> entries;
  if (!folder.isOpen() || !lf_readFolder(folder, path, entries, error)) {
    if (!passOver || !passOver(path, error)) return false;
    error.clear();
    return true;
  }
  for (const ListedEntry& entry : entries) {
    const TreeStep step = visit(entry);
    if (step == TreeStep::stop) return false;
    if (step != TreeStep::into || entry.link || !entry.isFolder()) continue;
    const Folder inner = Folder::taking(::openat(folder.fd(), entry.path.filename().c_str(),
                                                 O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!inner.isOpen()) error = lf_errnoError();
    if (!lf_walkBelow(inner, entry.path, visit, error, passOver)) return false;
  }
  return true;
}

bool lf_denied(const std::error_code& error) {
  return error == std::errc::permission_denied || error == std::errc::operation_not_permitted;
}

} // namespace

FileLook lookAt(const std::filesystem::path& path, std::error_code& error) {
  error.clear();
  FileLook look;
  if (path.empty()) return look;  // names nothing, as to the system
  const WalkedPlace place = walkTo(path, look.kind, true);
  struct stat found {};
  if (place.isOpen()) look.kind = kindAtEnd(place, found);
  // A file on the way (ENOTDIR) means nothing is there, as the system says.
  else if (look.kind != FileKind::foreignLink) look.kind = FileKind::missing;
  if (look.kind == FileKind::missing && errno != ENOENT && errno != ENOTDIR) error = lf_errnoError();
  if (look.kind == FileKind::foreignLink) error = foreignLinkError();
  // A trailing separator names a folder, as the system takes it.
  if (look.exists() && !look.isFolder() && !path.has_filename() && path.has_relative_path()) {
    look.kind = FileKind::missing;
    error.clear();
  }
  if (look.isRegular()) look.bytes = static_cast<std::uintmax_t>(found.st_size);
  return look;
}

FileLook lookAt(const std::filesystem::path& path) {
  std::error_code error;
  const FileLook look = lookAt(path, error);
  if (error) throw std::filesystem::filesystem_error("look at", path, error);
  return look;
}

bool pathExists(const std::filesystem::path& path, std::error_code& error) {
  return lookAt(path, error).exists() && !error;
}

bool isFolder(const std::filesystem::path& path, std::error_code& error) {
  return lookAt(path, error).isFolder() && !error;
}

bool isRegularFile(const std::filesystem::path& path, std::error_code& error) {
  return lookAt(path, error).isRegular() && !error;
}

std::vector<ListedEntry> listFolder(const std::filesystem::path& folder, std::error_code& error, bool skipDenied) {
  error.clear();
  std::vector<ListedEntry> entries;
  FileKind kind = FileKind::missing;
  errno = ENOENT;
  const Folder held = folder.empty() ? Folder() : Folder(folder, kind);
  if (!held.isOpen()) {
    error = lf_walkError(kind);
    if (skipDenied && lf_denied(error)) error.clear();
    return entries;
  }
  return listFolder(held, folder, error, skipDenied);
}

std::vector<ListedEntry> listFolder(const Folder& folder, const std::filesystem::path& path, std::error_code& error,
                                    bool skipDenied) {
  error.clear();
  std::vector<ListedEntry> entries;
  if (!lf_readFolder(folder, path, entries, error)) {
    entries.clear();
    if (skipDenied && lf_denied(error)) error.clear();
  }
  return entries;
}

void walkTree(const std::filesystem::path& folder, const std::function<TreeStep(const ListedEntry&)>& visit,
              std::error_code& error, const PassOver& passOver) {
  error.clear();
  FileKind kind = FileKind::missing;
  errno = ENOENT;
  const Folder held = folder.empty() ? Folder() : Folder(folder, kind);
  if (!held.isOpen()) error = lf_walkError(kind);
  lf_walkBelow(held, folder, visit, error, passOver);
}

} // namespace gwr::platform
