#include "app/SingleInstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QStandardPaths>
#include <cerrno>

#include "base/Log.h"

namespace {

std::string DefaultDirectory() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    return dir.toStdString();
}

}  // namespace

SingleInstanceLock::SingleInstanceLock(const std::string& name, const std::string& directory) {
    const std::string path =
        (directory.empty() ? DefaultDirectory() : directory) + "/" + name + ".lock";
    // Close-on-exec: a restarted program must not inherit the lock of the one it replaces.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        // Without a lock file the guard cannot work; running twice beats not running at all.
        LogPrintA("single instance lock %s: open failed (%d)\n", path.c_str(), errno);
        return;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        alreadyExists_ = (errno == EWOULDBLOCK);
        close(fd);
        return;
    }
    fd_ = fd;
}

SingleInstanceLock::~SingleInstanceLock() {
    Release();
}

void SingleInstanceLock::Release() {
    if (fd_ < 0) return;
    flock(fd_, LOCK_UN);
    close(fd_);
    fd_ = -1;
}
