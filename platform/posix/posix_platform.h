// The posix implementation of the platform interfaces. One object owns a whole set; a run is
// hermetic when a prefix folder is given (QUILLSET_PREFIX).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/paths/path_map.h"

namespace quillset::platform::posix {

struct PosixOptions {
  std::string prefix;              // empty: the real machine
  std::vector<std::string> argv;   // the process arguments, argv[0] first
};

// Options from the process: QUILLSET_PREFIX and the given arguments.
PosixOptions OptionsFromEnvironment(int argc, char** argv);

class PosixPlatform {
 public:
  virtual ~PosixPlatform() = default;
  virtual Platform& platform() = 0;
  // The mapping of Windows paths for host-side services (the installer service, archives).
  virtual PathMap& paths() = 0;
  // The host folder reserved for the installer service's records (<prefix>/installer).
  virtual std::string InstallerFolder() = 0;
};

// Throws when the machine profile cannot be read.
std::unique_ptr<PosixPlatform> CreatePosixPlatform(const PosixOptions& options);

}  // namespace quillset::platform::posix
