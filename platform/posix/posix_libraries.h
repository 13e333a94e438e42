// Shared objects loaded by Windows path.
#pragma once

#include "platform/libraries.h"
#include "platform/posix/paths/path_map.h"

namespace quillset::platform::posix {

class PosixLibraries : public Libraries {
 public:
  explicit PosixLibraries(const PathMap& paths) : paths_(paths) {}
  std::unique_ptr<Library> Load(const std::string& path, std::string* error) override;

 private:
  const PathMap& paths_;
};

}  // namespace quillset::platform::posix
