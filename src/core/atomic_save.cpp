// The one way every file the user may keep is replaced: through a temporary
// beside it, with the old file's link, permissions, owner and read-only state kept.
#include "core/atomic_save.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdio>
#include <string_view>
#include <system_error>

#include <fmt/format.h>

#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/text_files.h"
#include "platform/sys/native_path.h"
#include "platform/sys/path_walker.h"

namespace gwr {
namespace {

bool lf_saveFailed(const std::filesystem::path& path, std::string_view why, std::string& cause) {
  cause = why;
  gf_logError(fmt::format("{} not written: {}", gf_pathToUtf8(path), cause));
  return false;
}

} // namespace

bool gf_saveAtomically(const std::filesystem::path& file, const SaveWriter& write, std::string& cause) {
  std::string why;
  // The link at file, if any, stays: its target gets the new text. The walk
  // reads each link's text part by part, so everything from here goes through
  // the folder it reached: a folder or link swapped on the path meanwhile
  // cannot take the temporary or the rename.
  platform::FileKind kind = platform::FileKind::missing;
  const platform::WalkedPlace place = platform::walkTo(file, kind, true);
  if (!place.isOpen())
    return lf_saveFailed(file, kind == platform::FileKind::foreignLink ? std::string(foreignLinkCause)
                                                                       : std::generic_category().message(errno),
                         cause);
  const platform::Folder& folder = place.folder;
  const std::filesystem::path& name = place.name;
  struct stat existing {};
  const bool present = platform::statIn(folder, name, existing);
  // A link here now was put there after the walk read its name.
  if (present && !S_ISREG(existing.st_mode))
    return lf_saveFailed(file, gf_refusalCause(file, platform::kindOfMode(existing.st_mode), "written", false), cause);
  // Another user's link leads only to that user's file, or to a new file in
  // that user's folder.
  struct stat where {};
  if (place.linkMaker && (present ? existing.st_uid != *place.linkMaker
                                  : ::fstat(folder.fd(), &where) != 0 || where.st_uid != *place.linkMaker))
    return lf_saveFailed(file, foreignLinkCause, cause);
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
