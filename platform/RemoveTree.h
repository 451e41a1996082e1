#pragma once

#include <string>

// Removing files and folder trees without ever following a symbolic link.
// Every recursive removal of the program goes through here, so that a link in
// the data folder (a linked tmp/, a link inside a question folder) is removed
// as a link and never costs the folder it points to its contents.
//
// A folder is opened without following links (O_NOFOLLOW) and its entries are
// handled relative to the open folder, so a folder swapped for a link while
// the removal runs is unlinked, not entered. Only the last part of a path is
// taken as it is; the folders above it are followed as usual.
namespace platform {

// Removes path: a link, file or any other entry is unlinked; a folder is
// emptied this way, depth first, and then removed. True when nothing of that
// name is left (also when there was none).
bool removeTree(const std::string& path);

// Removes everything inside the folder path and keeps the folder. A link of
// that name is not entered: nothing is removed and the result is false, as it
// is for a missing folder or an entry that could not be removed.
bool emptyFolder(const std::string& path);

// True when path itself (not what it points to) is a symbolic link.
bool isLink(const std::string& path);

}  // namespace platform
