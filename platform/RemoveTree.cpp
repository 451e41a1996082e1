#include "platform/RemoveTree.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

bool removeAt(int parent, const char* name);

// The folder `name` in parent, opened for *at() calls; -1 when it is no folder
// (a link included) or cannot be opened.
int openFolder(int parent, const char* name)
{
    return ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Removes every entry of the open folder; the descriptor stays open.
bool emptyOpen(int folder)
{
    // The listing gets a descriptor of its own: closedir() closes it.
    const int listing = ::dup(folder);
    if (listing < 0)
        return false;
    DIR* dir = ::fdopendir(listing);
    if (!dir) {
        ::close(listing);
        return false;
    }
    // Names first, removal after: entries removed while a listing runs may or
    // may not show up in it.
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    bool ok = true;
    for (const std::string& name : names) {
        if (!removeAt(folder, name.c_str()))
            ok = false;
    }
    return ok;
}

bool removeAt(int parent, const char* name)
{
    struct stat st;
    if (::fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(st.st_mode))
        return ::unlinkat(parent, name, 0) == 0 || errno == ENOENT;
    const int folder = openFolder(parent, name);
    if (folder < 0) {
        // Swapped for a link or a file since the look: that goes as it is.
        if (errno == ELOOP || errno == ENOTDIR)
            return ::unlinkat(parent, name, 0) == 0 || errno == ENOENT;
        return errno == ENOENT;
    }
    bool ok = emptyOpen(folder);
    ::close(folder);
    if (::unlinkat(parent, name, AT_REMOVEDIR) != 0 && errno != ENOENT)
        ok = false;
    return ok;
}

// Without trailing separators: "link/" names the folder the link points to,
// "link" the link itself.
std::string lastPartAsIs(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

}  // namespace

bool removeTree(const std::string& path)
{
    if (path.empty())
        return false;
    return removeAt(AT_FDCWD, lastPartAsIs(path).c_str());
}

bool emptyFolder(const std::string& path)
{
    if (path.empty())
        return false;
    const int folder = openFolder(AT_FDCWD, lastPartAsIs(path).c_str());
    if (folder < 0)
        return false;
    const bool ok = emptyOpen(folder);
    ::close(folder);
    return ok;
}

bool isLink(const std::string& path)
{
    struct stat st;
    return !path.empty() && ::lstat(lastPartAsIs(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace platform
