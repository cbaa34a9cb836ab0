// Paths walked part by part through folder descriptors: the one place that
// turns a path into a folder, so that no link leads a run where its maker may not.
#include "platform/sys/path_walker.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace gwr::platform {
namespace {

constexpr int maxLinksWalked = 40;    // links read on one walk before it counts as a loop
constexpr int maxMakeTries = 8;       // a folder made and gone again before the walk gives up
constexpr std::size_t linkTextBytes = 256;  // first read of a link's text; grown while it fills

// Only passed through, never read: a folder that may be entered but not
// listed is walked as the system walks it.
constexpr int walkFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool lf_trustedLinkMaker(uid_t maker) { return maker == ::geteuid() || maker == 0; }

// A part still to walk, or the mark that a link's text ends here.
struct Step {
  std::string name;
  bool endOfLink = false;
  uid_t maker = 0;
};

void lf_pushParts(std::vector<Step>& steps, const std::filesystem::path& text) {
  std::vector<std::string> parts;
  for (const std::filesystem::path& part : text.relative_path()) {
    std::string name = part.string();
    if (!name.empty() && name != ".") parts.push_back(std::move(name));
  }
  for (auto part = parts.rbegin(); part != parts.rend(); ++part) steps.push_back({*part});
}

bool lf_nameStepsLeft(const std::vector<Step>& steps) {
  for (const Step& step : steps)
    if (!step.endOfLink) return true;
  return false;
}

// The text of the link held open as link (O_PATH, not followed).
bool lf_readLinkText(int link, std::string& text) {
  for (std::size_t size = linkTextBytes;; size *= 2) {
    text.resize(size);
    const ssize_t got = ::readlinkat(link, "", text.data(), text.size());
    if (got < 0) return false;
    if (static_cast<std::size_t>(got) < text.size()) {
      text.resize(static_cast<std::size_t>(got));
      return true;
    }
  }
}

// A folder this process makes in a folder of another owner becomes that
// owner's where the process may give it, as the files it makes there.
void lf_giveParentsOwner(int at, const std::string& name) {
  struct stat parent {};
  struct stat made {};
  const int fd = ::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  if (::fstat(at, &parent) == 0 && ::fstat(fd, &made) == 0 &&
      (made.st_uid != parent.st_uid || made.st_gid != parent.st_gid) && made.st_uid == ::geteuid() &&
      ::fchown(fd, parent.st_uid, parent.st_gid) != 0) {
    // Not this process's to give: the folder stays its own.
  }
  ::close(fd);
}

// The walk itself: from start (a descriptor it takes over), the parts of
// path; with leaveLast the last part is left unwalked in last, maker telling
// whose link it was reached through. -1 with kind and errno when it fails.
class Walk {
public:
  Walk(int start, FileKind& kind) : fd_(start), kind_(kind) {}
  Walk(const Walk&) = delete;
  Walk& operator=(const Walk&) = delete;
  ~Walk() { closeKeepingErrno(fd_); }

  int run(const std::filesystem::path& path, bool leaveLast, bool followLast, bool making, mode_t mode) {
    kind_ = FileKind::folder;
    if (fd_ < 0) return fail(FileKind::missing, errno);
    if (path.is_absolute() && !moveTo(::open("/", walkFlags))) return -1;
    lf_pushParts(steps_, path);
    int madeTries = 0;
    while (!steps_.empty()) {
      const Step step = steps_.back();
      steps_.pop_back();
      if (step.endOfLink) {
        // Another user's link has led here: only into that user's own folder.
        struct stat reached {};
        if (::fstat(fd_, &reached) != 0) return fail(FileKind::missing, errno);
        if (reached.st_uid != step.maker) return fail(FileKind::foreignLink, EPERM);
        continue;
      }
      if (!searchableByLinkMakers()) return fail(FileKind::foreignLink, EPERM);
      if (step.name == "..") {
        if (!moveTo(::openat(fd_, "..", walkFlags))) return -1;
        continue;
      }
      struct stat found {};
      if (leaveLast && !lf_nameStepsLeft(steps_)) {
        const bool link = ::fstatat(fd_, step.name.c_str(), &found, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(found.st_mode);
        if (!followLast || !link) {
          last = step.name;
          return endAtLast();
        }
        if (!followLink(step.name)) return -1;
        continue;
      }
      const int next = ::openat(fd_, step.name.c_str(), walkFlags);
      if (next >= 0) {
        moveTo(next);
        continue;
      }
      // A link answers ELOOP, or ENOTDIR beside O_DIRECTORY.
      const int error = errno;
      if (::fstatat(fd_, step.name.c_str(), &found, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(found.st_mode)) {
        if (!followLink(step.name)) return -1;
        continue;
      }
      if (error == ENOENT && making && ++madeTries <= maxMakeTries) {
        // Another user's link never gets a folder made where it leads.
        if (insideForeignLink()) return fail(FileKind::foreignLink, EPERM);
        if (::mkdirat(fd_, step.name.c_str(), mode) == 0) lf_giveParentsOwner(fd_, step.name);
        else if (errno != EEXIST) return fail(FileKind::missing, errno);
        steps_.push_back(step);
        continue;
      }
      // A link put there since the look answers ELOOP or ENOTDIR: not followed.
      return fail(error == ENOTDIR ? FileKind::other : FileKind::missing, error);
    }
    if (leaveLast) {
      last.assign(1, '.');
      return endAtLast();
    }
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

  std::string last;
  std::optional<uid_t> maker;

private:
  bool moveTo(int next) {
    if (next < 0) {
      fail(FileKind::missing, errno);
      return false;
    }
    ::close(fd_);
    fd_ = next;
    return true;
  }

  int fail(FileKind kind, int error) {
    kind_ = kind;
    errno = error;
    return -1;
  }

  // Inside another user's link a folder is looked into only where its maker
  // may look: else whether the walk goes on or misses would tell them what
  // names a private folder of root's holds. Their groups are not known here,
  // so a folder only their group may enter is not entered.
  bool searchableByLinkMakers() const {
    struct stat folder {};
    bool looked = false;
    for (const Step& step : steps_) {
      if (!step.endOfLink) continue;
      if (!looked && ::fstat(fd_, &folder) != 0) return false;
      looked = true;
      const mode_t search = folder.st_uid == step.maker ? S_IXUSR : S_IXOTH;
      if ((folder.st_mode & search) == 0) return false;
    }
    return true;
  }

  bool insideForeignLink() const {
    for (const Step& step : steps_)
      if (step.endOfLink) return true;
    return false;
  }

  // The link's text takes its place; another user's is marked to be checked
  // where its text ends. Maker and text are read from one descriptor of the
  // link: by name, the user could put their own link in place of root's
  // between the two reads and have their text taken as root's.
  bool followLink(const std::string& name) {
    std::string text;
    if (++links_ > maxLinksWalked) {
      fail(FileKind::missing, ELOOP);
      return false;
    }
    const int link = ::openat(fd_, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    struct stat made {};
    if (link < 0 || ::fstat(link, &made) != 0) {
      fail(FileKind::missing, errno);
      closeKeepingErrno(link);
      return false;
    }
    bool read = false;
    if (S_ISLNK(made.st_mode)) read = lf_readLinkText(link, text);
    else errno = ELOOP;  // something else put at the name since the look: not walked
    closeKeepingErrno(link);
    if (!read) {
      fail(FileKind::missing, errno);
      return false;
    }
    if (!lf_trustedLinkMaker(made.st_uid)) steps_.push_back({{}, true, made.st_uid});
    const std::filesystem::path target(text);
    lf_pushParts(steps_, target);
    return !target.is_absolute() || moveTo(::open("/", walkFlags));
  }

  // What is left on the way are the ends of links that lead to the last part:
  // whatever is found there must be their makers'.
  int endAtLast() {
    for (const Step& step : steps_) {
      if (!step.endOfLink) continue;
      if (maker && *maker != step.maker) return fail(FileKind::foreignLink, EPERM);
      maker = step.maker;
    }
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

  int fd_;
  FileKind& kind_;
  std::vector<Step> steps_;
  int links_ = 0;
};

int lf_startOf(const std::filesystem::path& path) {
  return path.is_absolute() ? ::open("/", walkFlags) : ::open(".", walkFlags);
}

int lf_walkToFolder(int start, const std::filesystem::path& path, FileKind& kind, bool making, mode_t mode) {
  Walk walk(start, kind);
  return walk.run(path, false, false, making, mode);
}

WalkedPlace lf_walkedPlace(int start, const std::filesystem::path& path, FileKind& kind, bool followLast) {
  Walk walk(start, kind);
  WalkedPlace place;
  place.folder = Folder::taking(walk.run(path, true, followLast, false, 0));
  if (!place.isOpen()) return place;
  place.name = walk.last;
  place.linkMaker = walk.maker;
  return place;
}

// Everything in the open folder fd, then the folder itself as name in at.
std::uintmax_t lf_removeFolderTree(int at, const std::string& name, std::error_code& error) {
  const int fd = ::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    error.assign(errno, std::generic_category());
    return 0;
  }
  DIR* listing = ::fdopendir(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
  std::vector<std::pair<std::string, bool>> entries;
  if (listing == nullptr) {
    error.assign(errno, std::generic_category());
    ::close(fd);
    return 0;
  }
  while (const dirent* entry = ::readdir(listing)) {
    const std::string entryName = entry->d_name;
    if (entryName == "." || entryName == "..") continue;
    struct stat found {};
    const bool folder = ::fstatat(fd, entryName.c_str(), &found, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(found.st_mode);
    entries.emplace_back(entryName, folder);
  }
  ::closedir(listing);
  std::uintmax_t removed = 0;
  for (const auto& [entryName, folder] : entries) {
    if (folder) {
      removed += lf_removeFolderTree(fd, entryName, error);
    } else if (::unlinkat(fd, entryName.c_str(), 0) == 0) {
      ++removed;
    } else if (errno != ENOENT) {
      error.assign(errno, std::generic_category());
    }
    if (error) break;
  }
  ::close(fd);
  if (error) return removed;
  if (::unlinkat(at, name.c_str(), AT_REMOVEDIR) != 0) {
    error.assign(errno, std::generic_category());
    return removed;
  }
  return removed + 1;
}

class ForeignLinkCategory : public std::error_category {
public:
  const char* name() const noexcept override { return "walk"; }
  std::string message(int) const override { return "its link leads to another user's file"; }
};

std::error_code lf_walkError(FileKind kind) {
  return kind == FileKind::foreignLink ? foreignLinkError() : std::error_code(errno, std::generic_category());
}

} // namespace

const std::error_code& foreignLinkError() {
  static const ForeignLinkCategory category;
  static const std::error_code error(1, category);
  return error;
}

Folder Folder::taking(int fd) {
  Folder folder;
  folder.fd_ = fd;
  return folder;
}

Folder::Folder(const std::filesystem::path& path, FileKind& kind)
    : fd_(lf_walkToFolder(lf_startOf(path), path, kind, false, 0)) {}

Folder Folder::made(const std::filesystem::path& path, FileKind& kind, mode_t mode) {
  return taking(lf_walkToFolder(lf_startOf(path), path, kind, true, mode));
}

Folder Folder::of(const std::filesystem::path& file, FileKind& kind) {
  return Folder(file.has_parent_path() ? file.parent_path() : std::filesystem::path("."), kind);
}

WalkedPlace walkTo(const std::filesystem::path& path, FileKind& kind, bool followLast) {
  return lf_walkedPlace(lf_startOf(path), path, kind, followLast);
}

WalkedPlace walkTo(const Folder& from, const std::filesystem::path& name, FileKind& kind, bool followLast) {
  return lf_walkedPlace(from.isOpen() ? ::fcntl(from.fd(), F_DUPFD_CLOEXEC, 0) : -1, name, kind, followLast);
}

bool removePath(const std::filesystem::path& path, std::error_code& error) {
  error.clear();
  FileKind kind = FileKind::missing;
  const WalkedPlace place = walkTo(path, kind, false);
  if (!place.isOpen()) {
    if (kind != FileKind::foreignLink && errno == ENOENT) return false;
    error = lf_walkError(kind);
    return false;
  }
  const char* name = place.name.c_str();
  if (::unlinkat(place.folder.fd(), name, 0) == 0) return true;
  if (errno == EISDIR && ::unlinkat(place.folder.fd(), name, AT_REMOVEDIR) == 0) return true;
  if (errno != ENOENT) error.assign(errno, std::generic_category());
  return false;
}

std::uintmax_t removeTree(const std::filesystem::path& path, std::error_code& error) {
  error.clear();
  FileKind kind = FileKind::missing;
  const WalkedPlace place = walkTo(path, kind, false);
  if (!place.isOpen()) {
    if (kind == FileKind::foreignLink || errno != ENOENT) error = lf_walkError(kind);
    return 0;
  }
  struct stat found {};
  if (::fstatat(place.folder.fd(), place.name.c_str(), &found, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT) error.assign(errno, std::generic_category());
    return 0;
  }
  if (S_ISDIR(found.st_mode)) return lf_removeFolderTree(place.folder.fd(), place.name.string(), error);
  if (::unlinkat(place.folder.fd(), place.name.c_str(), 0) == 0) return 1;
  error.assign(errno, std::generic_category());
  return 0;
}

bool makeFolders(const std::filesystem::path& path, std::error_code& error) {
  error.clear();
  FileKind kind = FileKind::missing;
  if (Folder::made(path, kind).isOpen()) return true;
  error = lf_walkError(kind);
  return false;
}

} // namespace gwr::platform
