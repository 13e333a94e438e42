#include "platform/posix/temp_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace quillset::platform::posix {

namespace {

bool IsPrivateFolder(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
         (st.st_mode & 077) == 0;
}

}  // namespace

std::string PrivateTempFolder(const std::string& parent) {
  std::error_code ignored;
  if (!std::filesystem::exists(parent, ignored)) {
    // Only a prefix's drive_c lacks a tmp folder; make it shared like /tmp.
    std::filesystem::create_directories(parent, ignored);
    chmod(parent.c_str(), 01777);
  }
  std::string path = parent + "/quillset-" + std::to_string(geteuid());
  if (mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) {
    if (IsPrivateFolder(path)) return path;
  }
  std::string pattern = path + "-XXXXXX";
  if (!mkdtemp(pattern.data()))
    throw std::runtime_error("cannot create a temporary folder in " + parent + ": " + std::strerror(errno));
  return pattern;
}

}  // namespace quillset::platform::posix
