#include "platform/System.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

std::string appDataRoot()
{
    const char* appdata = std::getenv("APPDATA");
    if (appdata && *appdata)
        return appdata;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg)
        return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/share";
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
        if (!(in >> text))
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

InstanceLock::InstanceLock(const std::string& name)
    : path_(appDataRoot() + "/." + name + ".lock")
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
    std::string root = appDataRoot();
    for (size_t pos = 1; pos != std::string::npos;) {
        pos = root.find('/', pos + 1);
        ::mkdir(root.substr(0, pos).c_str(), 0700);
    }
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    return fd_ >= 0;
}

bool InstanceLock::tryLock()
{
    if (!open())
        return false;
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0)
        return false;
    locked_ = true;
    return true;
}

bool InstanceLock::lock()
{
    if (!open())
        return false;
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR)
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
