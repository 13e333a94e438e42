// One installation at a time per machine: an exclusive lock on a file in the installer's
// records folder, held from the start of an installation to its end. The lock belongs to an
// open file, so a second service in the same process and another process both see it taken,
// and it goes away with a process that dies.
#pragma once

#include <string>

namespace quillset::platform::posix::installer {

class InstallLock {
 public:
  // Tries once, without waiting; held() tells whether it was taken, busy() whether another
  // installation holds it (otherwise the records folder cannot be written).
  explicit InstallLock(const std::string& records_folder);
  ~InstallLock();
  InstallLock(const InstallLock&) = delete;
  InstallLock& operator=(const InstallLock&) = delete;
  bool held() const { return fd_ >= 0; }
  bool busy() const { return busy_; }

 private:
  int fd_ = -1;
  bool busy_ = false;
};

}  // namespace quillset::platform::posix::installer
