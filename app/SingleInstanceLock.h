// The single-instance guard: a named lock that the system drops when its process dies, so a
// crashed panel never blocks the next start.
#pragma once

#include <string>

class SingleInstanceLock {
public:
    // Tries to take the lock `name` (for example "TONVOX4TO8_DV80MAX"). The lock file lives in
    // `directory`, by default the user's runtime directory.
    explicit SingleInstanceLock(const std::string& name, const std::string& directory = {});
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // True when another holder (this or another process) has the lock.
    bool AlreadyExists() const { return alreadyExists_; }
    bool Held() const { return fd_ >= 0; }

    // Releases the lock early (the window's destroy handler does this).
    void Release();

private:
    int fd_ = -1;
    bool alreadyExists_ = false;
};
