// The registry over SQLite hives: HKEY_LOCAL_MACHINE, HKEY_CURRENT_CONFIG and HKEY_USERS\.DEFAULT
// are per machine, HKEY_CURRENT_USER per user. HKEY_CLASSES_ROOT is HKLM\SOFTWARE\Classes.
// As on 64-bit Windows for a 32-bit process, HKLM\SOFTWARE has a 32-bit view kept under
// SOFTWARE\Wow6432Node, the default without a view bit.
#pragma once

#include <string>
#include <vector>

#include "platform/posix/registry_hive.h"
#include "platform/registry.h"

namespace quillset::platform::posix {

struct RegistrySetup {
  std::string local_machine_file, current_config_file, default_user_file, current_user_file;
  std::vector<HiveSeed> local_machine_seed;
  bool may_write_machine = false;  // an elevated administrator
  bool is_64bit = true;            // without it there are no views
  std::string user_key;            // the current user's key name below HKEY_USERS
};

class PosixRegistry : public Registry {
 public:
  explicit PosixRegistry(const RegistrySetup& setup);

  int32_t OpenKey(RootKey root, const std::string& subkey, uint32_t access,
                  std::unique_ptr<RegistryKey>* key) override;
  int32_t CreateKey(RootKey root, const std::string& subkey, uint32_t access,
                    std::unique_ptr<RegistryKey>* key) override;
  int32_t DeleteKey(RootKey root, const std::string& subkey, uint32_t access) override;
  int32_t DeleteTree(RootKey root, const std::string& subkey, uint32_t access) override;

 private:
  // Where a key lies: its hive and the path inside it; hive is null for the root of HKEY_USERS.
  struct Target {
    Hive* hive = nullptr;
    std::vector<std::string> path;
    bool machine = false;   // writing needs an elevated administrator
    bool root_key = false;  // a root key or a hive's top, which cannot be deleted
  };
  int32_t Locate(RootKey root, const std::string& subkey, uint32_t access, Target* target);
  int32_t Delete(RootKey root, const std::string& subkey, uint32_t access, bool tree);
  int32_t Open(RootKey root, const std::string& subkey, uint32_t access, bool create,
               std::unique_ptr<RegistryKey>* key);

  Hive local_machine_, current_config_, default_user_, current_user_;
  bool may_write_machine_;
  bool is_64bit_;
  std::string user_key_;
};

}  // namespace quillset::platform::posix
