// Where a run keeps its data on the host. With a prefix everything lies below it; without one
// the real machine is used (per-machine data in /var/lib/quillset, per-user data in the XDG
// data folder).
#pragma once

#include <string>

#include "platform/posix/machine_facts.h"
#include "platform/posix/paths/path_map.h"
#include "platform/system.h"

namespace quillset::platform::posix {

struct Layout {
  std::string prefix;            // empty: the real machine
  std::string machine_registry;  // host folder of the per-machine hives
  std::string user_registry;     // host folder of the current user's hive
  std::string installer;         // host folder reserved for the installer service's records
  std::string temp_parent;       // host folder that holds the private temporary folder
  std::string home;              // the user's host home folder
};

Layout MakeLayout(const std::string& prefix);

// The Windows path of a special folder without a trailing backslash; empty when the system has
// none. With a prefix the folders are those of a 64-bit Windows seen by a 32-bit process.
std::string SpecialFolderPath(const Layout& layout, const PathMap& paths, const MachineFacts& facts,
                              SpecialFolder folder);

}  // namespace quillset::platform::posix
