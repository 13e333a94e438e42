// One installation at a time per machine: an exclusive lock on a file in the installer's
// records folder, held from the start of an installation to its end. The lock belongs to an
// open file, so a second service in the same process and another process both see it taken,
// and it goes away with a process that dies.
#pragma once

#include <string>

namespace quillset::platform::posix::installer {

class InstallLock {
 public:
  // Tries once, without waiting; held() tells whether it was taken.
  explicit InstallLock(const std::string& records_folder);
  ~InstallLock();
  InstallLock(const InstallLock&) = delete;
  InstallLock& operator=(const InstallLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace quillset::platform::posix::installer
