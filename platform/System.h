#pragma once

#include <string>

// Small Linux layers behind the few system services the program needs.
namespace platform {

// The folder under which the program keeps its data folder:
// $APPDATA when set, else $XDG_DATA_HOME, else ~/.local/share.
std::string appDataRoot();

// appDataRoot() + "/Lorvane".
std::string dataFolder();

// The hardware address of the first network interface (by name order) that is
// not loopback and has a non-zero address. 0 on success, else non-zero.
int firstAdapterAddress(unsigned char bytes[6]);

// The program's single-instance lock, named like the program ("Lorvane").
// It lives in the folder that holds the data folder (appDataRoot() unless
// another is given), is an advisory lock on a file (released by the system
// when the process ends, however it ends) and is never inherited by child
// processes.
class InstanceLock {
public:
    explicit InstanceLock(const std::string& name, const std::string& folder = appDataRoot());
    ~InstanceLock();

    // Takes the lock without waiting; false when another process holds it
    // or when the lock file cannot be opened (see failure()).
    bool tryLock();
    void unlock();

    // Why the last tryLock() failed when no other process holds the lock
    // (the lock file cannot be created or opened, ...), as the system's
    // text; empty after a success and when another process holds it.
    const std::string& failure() const { return failure_; }
    // The lock file.
    const std::string& path() const { return path_; }

private:
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    bool open();

    std::string path_;
    std::string failure_;
    int fd_ = -1;
    bool locked_ = false;
};

}  // namespace platform
