// The parts of one posix platform the installer service works through.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/posix/paths/path_map.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace quillset::platform::posix::installer {

struct Host {
  FileSystem& files;
  Registry& registry;
  System& system;
  const PathMap& paths;
  std::string records;  // host folder of the installer's records
};

}  // namespace quillset::platform::posix::installer
