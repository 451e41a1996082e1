#include "platform/System.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// Without trailing separators, so that joined paths have single ones.
std::string withoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

}  // namespace

std::string appDataRoot()
{
    const char* appdata = std::getenv("APPDATA");
    if (appdata && *appdata)
        return withoutTrailingSlash(appdata);
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg)
        return withoutTrailingSlash(xdg);
    const char* home = std::getenv("HOME");
    return withoutTrailingSlash(home && *home ? home : "/tmp") + "/.local/share";
}

std::string dataFolder()
{
    return appDataRoot() + "/Lorvane";
}

int firstAdapterAddress(unsigned char bytes[6])
{
    DIR* dir = opendir("/sys/class/net");
    if (!dir)
        return errno ? errno : -1;
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != ".." && name != "lo")
            names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::ifstream in("/sys/class/net/" + name + "/address");
        std::string text;
        // Only six-byte (Ethernet-like) addresses: "xx:xx:xx:xx:xx:xx".
        if (!(in >> text) || text.size() != 17)
            continue;
        unsigned int b[6];
        if (std::sscanf(text.c_str(), "%x:%x:%x:%x:%x:%x", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5]) != 6)
            continue;
        if ((b[0] | b[1] | b[2] | b[3] | b[4] | b[5]) == 0)
            continue;
        for (int i = 0; i < 6; ++i)
            bytes[i] = static_cast<unsigned char>(b[i]);
        return 0;
    }
    return -1;
}

InstanceLock::InstanceLock(const std::string& name, const std::string& folder)
    : path_(withoutTrailingSlash(folder) + "/." + name + ".lock")
{
}

InstanceLock::~InstanceLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool InstanceLock::open()
{
    if (fd_ >= 0)
        return true;
    // The folder may not exist yet on a first start.
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    // A lock file that exists but is not ours to write can still be locked.
    const int openError = errno;
    if (fd_ < 0 && openError == EACCES)
        fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        failure_ = std::strerror(openError);
    return fd_ >= 0;
}

bool InstanceLock::tryLock()
{
    failure_.clear();
    if (!open())
        return false;
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK)
            failure_ = std::strerror(errno);
        return false;
    }
    locked_ = true;
    return true;
}

void InstanceLock::unlock()
{
    if (fd_ >= 0 && locked_)
        ::flock(fd_, LOCK_UN);
    locked_ = false;
}

}  // namespace platform
