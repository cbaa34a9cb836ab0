// The one way every file the user may keep is replaced: through a temporary
// beside it, with the old file's link, permissions, owner and read-only state kept.
#include "core/atomic_save.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string_view>
#include <system_error>

#include <fmt/format.h>

#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/text_files.h"
#include "platform/sys/native_path.h"

namespace gwr {
namespace {

constexpr int maxLinkHops = 40;  // links followed before the chain counts as a loop

// The file a save replaces: the path itself, or the end of its chain of
// symbolic links, so that the link stays and its target gets the new text.
std::optional<std::filesystem::path> lf_saveTarget(const std::filesystem::path& path, std::string& cause) {
  std::filesystem::path target = path;
  for (int hop = 0; hop <= maxLinkHops; ++hop) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(target, error);
    if (status.type() == std::filesystem::file_type::not_found) return target;
    if (error) {
      cause = error.message();
      return std::nullopt;
    }
    if (!std::filesystem::is_symlink(status)) return target;
    // Another user's link is followed only to that user's own things, so
    // that a run with raised rights never writes where the link's maker may not.
    const std::filesystem::path next = std::filesystem::read_symlink(target, error);
    if (error) {
      cause = error.message();
      return std::nullopt;
    }
    const std::filesystem::path leadsTo = next.is_absolute() ? next : target.parent_path() / next;
    uid_t linkOwner = 0;
    uid_t placeOwner = 0;
    if (!platform::ownerOfPlace(target, linkOwner) || !platform::ownerOfPlace(leadsTo, placeOwner)) {
      cause = std::generic_category().message(errno);
      return std::nullopt;
    }
    if (linkOwner != platform::processUser() && linkOwner != placeOwner) {
      cause = foreignLinkCause;
      return std::nullopt;
    }
    target = leadsTo;
  }
  cause = "too many levels of symbolic links";
  return std::nullopt;
}

bool lf_saveFailed(const std::filesystem::path& path, std::string_view why, std::string& cause) {
  cause = why;
  gf_logError(fmt::format("{} not written: {}", gf_pathToUtf8(path), cause));
  return false;
}

} // namespace

bool gf_saveAtomically(const std::filesystem::path& file, const SaveWriter& write, std::string& cause) {
  std::string why;
  const std::optional<std::filesystem::path> target = lf_saveTarget(file, why);
  if (!target) return lf_saveFailed(file, why, cause);
  // Everything from here goes through the folder's descriptor: a folder
  // swapped on the path meanwhile cannot take the temporary or the rename.
  platform::FileKind kind = platform::FileKind::missing;
  const platform::Folder folder = platform::Folder::of(*target, kind);
  if (!folder.isOpen())
    return lf_saveFailed(file, kind == platform::FileKind::foreignLink ? std::string(foreignLinkCause)
                                                                       : std::generic_category().message(errno),
                         cause);
  const std::filesystem::path name = target->filename();
  struct stat existing {};
  const bool present = platform::statIn(folder, name, existing);
  // A link here now was put there after the chain was followed.
  if (present && !S_ISREG(existing.st_mode))
    return lf_saveFailed(file, gf_refusalCause(file, platform::kindOfMode(existing.st_mode), "written", false), cause);
  // A file this process may not write (made read-only, or another user's
  // after a run with raised rights) is left as it is, not quietly replaced
  // and taken over: the rename needs no write permission on the file itself.
  if (present && ((existing.st_mode & S_IWUSR) == 0 || !platform::mayWriteIn(folder, name)))
    return lf_saveFailed(file, "the file is read-only", cause);

  const std::filesystem::path temporary = gf_temporaryPathFor(name);
  // The temporary has the file's permissions, owner and group before any
  // byte is in it, so that a private file's new text is never open to others,
  // not even briefly, and a run with raised rights does not take the user's
  // file. Where the owner cannot be kept the file is left as it is.
  platform::FileMade made = platform::FileMade::failed;
  std::FILE* out = platform::createIn(folder, temporary, present ? &existing : nullptr, made);
  if (out == nullptr) {
    why = made == platform::FileMade::ownerNotKept ? std::string("its owner and group cannot be kept")
                                                  : std::generic_category().message(errno);
    return lf_saveFailed(file, why, cause);
  }
  errno = 0;
  bool written = write(out, why);
  if (written && (std::fflush(out) != 0 || std::ferror(out) != 0)) {
    written = false;
    why = std::generic_category().message(errno);
  }
  // Renamed only while the name still holds the file written here.
  const bool stillOurs = platform::isFileIn(out, folder, temporary);
  if (std::fclose(out) != 0 && written) {
    written = false;
    why = std::generic_category().message(errno);
  }
  if (!written) {
    if (stillOurs) platform::removeIn(folder, temporary);
    return lf_saveFailed(file, why.empty() ? "the new text could not be written" : why, cause);
  }
  if (!stillOurs) return lf_saveFailed(file, "its temporary was replaced", cause);
  if (!platform::renameIn(folder, temporary, folder, name)) {
    why = std::generic_category().message(errno);
    platform::removeIn(folder, temporary);
    return lf_saveFailed(file, why, cause);
  }
  return true;
}

} // namespace gwr
