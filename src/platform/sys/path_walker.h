// The one walk from a path to the folder and name it leads to: part by part
// through folder descriptors, links read and walked as text, none followed blindly.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/sys/native_path.h"

namespace gwr::platform {

// Where a walk ended: the folder that holds the last part and its name there.
// A link's text is walked part by part like the path itself, `..` taken in
// the folder actually reached. A link of root or of this process's user is
// followed wherever it leads; another user's link only into that user's own
// things: a folder it leads to must be theirs, and so must the file at the
// end (linkMaker set), which the caller checks on what it opens; its text
// passes only through folders its maker may search.
struct WalkedPlace {
  Folder folder;
  std::filesystem::path name;
  std::optional<uid_t> linkMaker;

  bool isOpen() const { return folder.isOpen(); }
  // True when something of owner may be used at the end of this walk.
  bool mayUseOwner(uid_t owner) const { return !linkMaker || *linkMaker == owner; }
};

// The walk to path's last part, from the working folder (or the root for an
// absolute path), or to name from folder. With followLast a link at the last
// part is walked too; without, the last part is the link itself. A path
// without a last part (empty, ".", "x/..") ends in "." of the folder reached.
// Not open, with kind telling why (foreignLink; missing with errno set), when
// a folder on the way is not reached.
WalkedPlace walkTo(const std::filesystem::path& path, FileKind& kind, bool followLast);
WalkedPlace walkTo(const Folder& from, const std::filesystem::path& name, FileKind& kind, bool followLast);

// What the walk to a file found at its end, a link not followed; missing
// with errno when nothing is there (ELOOP for a link put there since), and
// foreignLink when another user's link led to what is not theirs, or the
// file is a second name, in another user's folder, of a file not theirs.
FileKind kindAtEnd(const WalkedPlace& place, struct stat& found);

// The error of a walk refused at another user's link; its message is the
// cause the program's refusals give.
const std::error_code& foreignLinkError();

// Removes what path names, a link itself and not where it leads, a folder
// only when empty; false with error when it could not (nothing there is no
// error), as std::filesystem::remove.
bool removePath(const std::filesystem::path& path, std::error_code& error);
// Removes what path names and, for a folder, all in it, links never
// followed; the count removed, as std::filesystem::remove_all.
std::uintmax_t removeTree(const std::filesystem::path& path, std::error_code& error);
// Makes the folder and each missing part of it, as Folder::made; true when
// the folder is there, with error set otherwise (foreignLinkError for
// another user's link on the way).
bool makeFolders(const std::filesystem::path& path, std::error_code& error);

} // namespace gwr::platform
