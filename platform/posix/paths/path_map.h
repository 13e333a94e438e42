// Maps the engine's Windows paths to host paths and back. Drive C: is the host root, or the
// folder drive_c of a prefix; drive Z: is always the host root, so every host path has a
// Windows name. Other drives and UNC paths do not exist.
#pragma once

#include <optional>
#include <string>

#include "platform/posix/paths/windows_path.h"

namespace quillset::platform::posix {

class PathMap {
 public:
  // prefix: empty for the real machine. current_directory: an absolute host path.
  PathMap(const std::string& prefix, const std::string& current_directory);

  // The host path of a Windows path. Components whose exact spelling does not exist are looked
  // up without regard to case, one at a time; the first one not found and all after it are
  // kept as given, so the answer also names files about to be created. nullopt when the path
  // lies on no drive.
  std::optional<std::string> ToHost(const std::string& windows_path) const;
  // The Windows name of a host path (relative host paths start at the host's current folder).
  std::string ToWindows(const std::string& host_path) const;

  std::optional<WindowsPath> Resolve(const std::string& windows_path) const;
  const WindowsPath& current() const { return current_; }
  void SetCurrent(const WindowsPath& path) { current_ = path; }
  // The host folder of a drive, or nullopt.
  std::optional<std::string> DriveRoot(char drive) const;

 private:
  std::string drive_c_;      // host folder of C:, "/" or <prefix>/drive_c, without trailing "/"
  std::string host_current_; // for relative host paths
  WindowsPath current_;
};

}  // namespace quillset::platform::posix
