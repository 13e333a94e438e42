// Product registrations in the installer's records folder: which products are installed or
// advertised, per machine or per user, with their package code, their features and
// components, and every item the product put on the machine (so that removal takes away
// exactly those).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillset::platform::posix::installer {

// One thing an installation put on the machine. fields[0] is the kind ("File", "Folder",
// "RegistryValue", "RegistryKey", "Shortcut", "IniLine", "Environment"), fields[1] the
// component that owns it (empty for items of the whole product), the rest depends on the kind.
using InstalledItem = std::vector<std::string>;

struct ProductRecord {
  std::string product_code;  // upper case, braces included
  std::string package_code;
  int state = 5;  // 5 installed, 1 advertised
  bool per_machine = false;
  std::string run;  // the installation that wrote this record last
  std::map<std::string, std::string> info;  // ProductName, VersionString, Publisher, …
  std::map<std::string, int> features;      // feature -> installed state
  std::map<std::string, std::string> components;  // component key -> component code
  std::vector<InstalledItem> items;
};

class Registrations {
 public:
  // records_folder: host folder; user: the name of the per-user records.
  Registrations(std::string records_folder, std::string user);

  // The product's record, the user's before the machine's.
  std::optional<ProductRecord> Find(const std::string& product_code) const;
  // Every record of both contexts.
  std::vector<ProductRecord> All() const;
  // Atomic: a reader sees the old record or the new one. False when it cannot be written.
  bool Write(const ProductRecord& record) const;
  bool Remove(const std::string& product_code, bool per_machine) const;

 private:
  std::string Folder(bool per_machine) const;
  std::string records_;
  std::string user_;
};

// A product code as the records key it: upper case; nullopt for text that is no "{GUID}".
std::optional<std::string> NormalizeProductCode(const std::string& code);

}  // namespace quillset::platform::posix::installer
