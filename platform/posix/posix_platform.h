// The posix implementation of the platform interfaces. One object owns a whole set; a run is
// hermetic when a prefix folder is given (QUILLSET_PREFIX).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

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
};

std::unique_ptr<PosixPlatform> CreatePosixPlatform(const PosixOptions& options);

}  // namespace quillset::platform::posix
