#include "platform/posix/installer/install_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace quillset::platform::posix::installer {

InstallLock::InstallLock(const std::string& records_folder) {
  int fd = open((records_folder + "/install.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    busy_ = errno == EWOULDBLOCK;
    close(fd);
    return;
  }
  fd_ = fd;
}

InstallLock::~InstallLock() {
  if (fd_ >= 0) close(fd_);  // closing the file releases the lock
}

}  // namespace quillset::platform::posix::installer
