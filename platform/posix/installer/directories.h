// The Directory table resolved to folders: every directory's target folder (where files go)
// and source folder (where uncompressed files come from), as Windows paths with a trailing
// backslash. A directory whose property is set takes that folder; the others follow their
// parents. Resolution sets every directory's property to its target folder.
#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/posix/installer/database/package_database.h"
#include "platform/posix/installer/session.h"

namespace quillset::platform::posix::installer {

// "short|long" picks the long name, unless short names are asked for.
std::string LongName(const std::string& names, bool short_names = false);

class Directories {
 public:
  // Reads the Directory table; throws PackageError for a table that refers to missing parents.
  void Load(PackageDatabase& database, bool short_source_names);

  // Resolves all target folders from the properties: those set now are kept as given.
  void Resolve(Properties& properties);
  // Points one directory elsewhere (a set-directory custom action after resolution) and
  // moves the directories below it that were not given folders of their own.
  void SetTarget(const std::string& directory, const std::string& folder, Properties& properties);

  // Empty for an unknown directory.
  std::string Target(const std::string& directory) const;
  std::string Source(const std::string& directory) const;

 private:
  struct Row {
    std::string parent;
    std::string target_name;  // "" or "." for the parent's folder
    std::string source_name;
  };
  std::string ResolveTarget(const std::string& key, Properties& properties, int depth);
  std::string ResolveSource(const std::string& key, const Properties& properties, int depth);

  std::map<std::string, Row> rows_;
  std::set<std::string> given_;  // directories whose folder a property gave
  std::map<std::string, std::string> targets_, sources_;
};

}  // namespace quillset::platform::posix::installer
