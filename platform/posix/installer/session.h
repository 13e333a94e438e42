// An install session: one package opened for installation and its properties. Property
// names are case-sensitive, as the installer's are; setting the empty value removes one.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>
#include <string>

#include "platform/posix/installer/database/handle_table.h"
#include "platform/posix/installer/database/package_database.h"
#include "platform/posix/installer/host.h"

namespace quillset::platform::posix::installer {

class Properties {
 public:
  std::optional<std::string> Find(const std::string& name) const;
  std::string Get(const std::string& name) const { return Find(name).value_or(""); }
  void Set(const std::string& name, const std::string& value);
  // Sets the property only when it has no value yet.
  void Default(const std::string& name, const std::string& value);
  const std::map<std::string, std::string>& all() const { return values_; }

 private:
  std::map<std::string, std::string> values_;
};

// The REINSTALLMODE letters in lower case (they are taken in either case); "omus" when unset.
std::string ReinstallMode(const Properties& properties);

class Session : public HandleObject {
 public:
  // Opens the package (a Windows path) read-only and loads its Property table and the
  // package's own facts. Throws PackageError with 1619 when the package cannot be opened.
  Session(Host& host, const std::string& package);

  Host& host;
  const std::string package;       // Windows path
  const std::string package_host;  // host path
  std::unique_ptr<PackageDatabase> database;
  Properties properties;
  std::string package_code;  // the summary information's revision number
  std::string template_platform;  // "Intel", "x64", "Intel64", …
  int word_count = 0;
  bool reboot_required = false;  // set by an installation that needs one

  // Packages whose _Streams hold the embedded cabinets, searched in order (host paths): the
  // package, then the patches applied to it.
  std::vector<std::string> stream_sources;
  // Files a patch changed: written even where a reinstall would keep the file there.
  std::set<std::string> patched_files;
  // Facts the product's record keeps beyond those an installation finds itself.
  std::map<std::string, std::string> record_info;
};

// The properties the installer sets itself, after the package's and the command line's:
// system facts, the folder properties through the platform (per machine or per user by
// ALLUSERS), the source of the package, the product's installed state (record: the installed
// product's state, or -1).
void SetSystemProperties(Session& session, int product_state, const std::string& installed_date);

// Whether the installation is per machine: ALLUSERS 1, or 2 for an administrator.
bool PerMachine(const Session& session);

}  // namespace quillset::platform::posix::installer
