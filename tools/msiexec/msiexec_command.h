// The msiexec command line: /i PACKAGE (install), /x PACKAGE-or-PRODUCT-CODE (remove),
// /q… (no interface; messages are then not printed), /l[letters] LOG (the installer's log:
// i w e a r u c m o p v x, * for all but v and x, + append, ! flush each line), and
// PROPERTY=VALUE arguments, over an installer table.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/installer.h"

namespace quillset::msiexec {

struct Options {
  enum class Operation { kNone, kInstall, kRemove } operation = Operation::kNone;
  std::string target;  // package path as given, or a product code for /x
  bool quiet = false;
  std::string log;
  platform::DWORD log_mode = 0;
  platform::DWORD log_attributes = 0;
  std::string properties;  // the installer command line built from the PROPERTY=VALUE arguments
};

// False with an error text for a command line msiexec would refuse.
bool ParseOptions(const std::vector<std::string>& arguments, Options& options, std::string& error);

// Runs the operation; answers the installer's result code. to_windows maps a path typed on
// the host to the installer's Windows path.
platform::UINT Run(const Options& options, platform::InstallerFunctions& msi,
                   const std::function<std::string(const std::string&)>& to_windows, std::ostream& out);

}  // namespace quillset::msiexec
