// The installer service of the posix platform: fills the installer table with our own
// implementation over real packages (libmsi) and cabinets (libgcab). Files go through the
// platform's files, registry values into its registry store, product records into the
// installer records folder. Each service object keeps its own interface settings, log and
// handles, so several can live in one process.
#pragma once

#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/installer.h"
#include "platform/posix/paths/path_map.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace quillset::platform::posix::installer {

// records_folder: the host folder of the product records (made when first needed).
std::unique_ptr<platform::Installer> CreatePosixInstaller(FileSystem& files, Registry& registry, System& system,
                                                          const PathMap& paths, const std::string& records_folder);

}  // namespace quillset::platform::posix::installer
