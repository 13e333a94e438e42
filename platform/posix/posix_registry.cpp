#include "platform/posix/posix_registry.h"

#include "platform/posix/paths/windows_path.h"

namespace quillset::platform::posix {

namespace {

constexpr uint32_t kQueryValue = 0x1;
constexpr uint32_t kSetValue = 0x2;
constexpr uint32_t kEnumerateSubKeys = 0x8;
// Set value, create sub-key, delete, write DAC, write owner.
constexpr uint32_t kWriteBits = 0x2 | 0x4 | 0x10000 | 0x40000 | 0x80000;
constexpr size_t kMaxKeyName = 255;

// Generic rights stand for the key rights they imply.
uint32_t Normalize(uint32_t access) {
  if (access & 0x80000000u) access |= kKeyRead;
  if (access & 0x40000000u) access |= kKeyWrite;
  if (access & 0x10000000u) access |= kKeyAllAccess;
  return access;
}

std::vector<std::string> SplitKey(const std::string& subkey) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= subkey.size()) {
    size_t end = subkey.find('\\', start);
    if (end == std::string::npos) end = subkey.size();
    // Empty names are skipped: callers pass folder-style paths with a trailing backslash.
    if (end > start) names.push_back(subkey.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

class HiveKey : public RegistryKey {
 public:
  HiveKey(Hive& hive, Hive::KeyId id, uint32_t access) : hive_(hive), id_(id), access_(access) {}

  int32_t QueryValue(const std::string& name, RegistryValue* value) override {
    if (!(access_ & kQueryValue)) return kRegAccessDenied;
    auto found = hive_.GetValue(id_, name);
    if (!found) return Missing();
    *value = std::move(*found);
    return kRegOk;
  }
  int32_t SetValue(const RegistryValue& value) override {
    if (!(access_ & kSetValue)) return kRegAccessDenied;
    return hive_.SetValue(id_, value) ? kRegOk : kRegKeyDeleted;
  }
  int32_t DeleteValue(const std::string& name) override {
    if (!(access_ & kSetValue)) return kRegAccessDenied;
    return hive_.DeleteValue(id_, name) ? kRegOk : Missing();
  }
  int32_t EnumSubKeys(std::vector<std::string>* names) override {
    if (!(access_ & kEnumerateSubKeys)) return kRegAccessDenied;
    if (!hive_.Exists(id_)) return kRegKeyDeleted;
    *names = hive_.SubKeys(id_);
    return kRegOk;
  }
  int32_t EnumValues(std::vector<RegistryValue>* values) override {
    if (!(access_ & kQueryValue)) return kRegAccessDenied;
    if (!hive_.Exists(id_)) return kRegKeyDeleted;
    *values = hive_.Values(id_);
    return kRegOk;
  }

 private:
  int32_t Missing() { return hive_.Exists(id_) ? kRegFileNotFound : kRegKeyDeleted; }

  Hive& hive_;
  Hive::KeyId id_;
  uint32_t access_;
};

// HKEY_USERS itself: the default profile and the current user, nothing to write.
class UsersRootKey : public RegistryKey {
 public:
  explicit UsersRootKey(std::string user_key) : user_key_(std::move(user_key)) {}
  int32_t QueryValue(const std::string&, RegistryValue*) override { return kRegFileNotFound; }
  int32_t SetValue(const RegistryValue&) override { return kRegAccessDenied; }
  int32_t DeleteValue(const std::string&) override { return kRegAccessDenied; }
  int32_t EnumSubKeys(std::vector<std::string>* names) override {
    *names = {".DEFAULT", user_key_};
    return kRegOk;
  }
  int32_t EnumValues(std::vector<RegistryValue>* values) override {
    values->clear();
    return kRegOk;
  }

 private:
  std::string user_key_;
};

}  // namespace

PosixRegistry::PosixRegistry(const RegistrySetup& setup)
    : local_machine_(setup.local_machine_file, setup.local_machine_seed),
      current_config_(setup.current_config_file, {}),
      default_user_(setup.default_user_file, {}),
      current_user_(setup.current_user_file, {}),
      may_write_machine_(setup.may_write_machine),
      is_64bit_(setup.is_64bit),
      user_key_(setup.user_key) {}

int32_t PosixRegistry::Locate(RootKey root, const std::string& subkey, uint32_t access, Target* target) {
  if ((access & (kKeyWow64_32Key | kKeyWow64_64Key)) == (kKeyWow64_32Key | kKeyWow64_64Key))
    return kRegInvalidParameter;
  std::vector<std::string> names = SplitKey(subkey);
  for (const auto& name : names)
    if (name.size() > kMaxKeyName) return kRegInvalidParameter;
  target->root_key = names.empty();
  bool view32 = is_64bit_ && !(access & kKeyWow64_64Key);
  switch (root) {
    case RootKey::kClassesRoot:
      names.insert(names.begin(), {"SOFTWARE", "Classes"});
      [[fallthrough]];
    case RootKey::kLocalMachine:
      target->hive = &local_machine_;
      target->machine = true;
      if (view32 && !names.empty() && FoldCase(names[0]) == "SOFTWARE" &&
          (names.size() < 2 || FoldCase(names[1]) != "WOW6432NODE"))
        names.insert(names.begin() + 1, "Wow6432Node");
      break;
    case RootKey::kCurrentUser:
      target->hive = &current_user_;
      break;
    case RootKey::kCurrentConfig:
      target->hive = &current_config_;
      target->machine = true;
      break;
    case RootKey::kUsers:
      if (names.empty()) break;
      if (FoldCase(names[0]) == ".DEFAULT") {
        target->hive = &default_user_;
        target->machine = true;
      } else if (FoldCase(names[0]) == FoldCase(user_key_)) {
        target->hive = &current_user_;
      } else {
        return kRegFileNotFound;
      }
      target->root_key = names.size() == 1;
      names.erase(names.begin());
      break;
  }
  target->path = std::move(names);
  return kRegOk;
}

int32_t PosixRegistry::Open(RootKey root, const std::string& subkey, uint32_t access, bool create,
                            std::unique_ptr<RegistryKey>* key) {
  access = Normalize(access);
  Target target;
  int32_t result = Locate(root, subkey, access, &target);
  if (result == kRegFileNotFound && create) return kRegAccessDenied;  // no new keys below HKEY_USERS
  if (result != kRegOk) return result;
  if (!target.hive) {
    *key = std::make_unique<UsersRootKey>(user_key_);
    return kRegOk;
  }
  bool denied = target.machine && !may_write_machine_;
  if (denied && (access & kWriteBits)) return kRegAccessDenied;
  auto id = target.hive->Find(target.path);
  if (!id) {
    if (!create) return kRegFileNotFound;
    if (denied) return kRegAccessDenied;
    id = target.hive->Create(target.path);
  }
  *key = std::make_unique<HiveKey>(*target.hive, *id, access);
  return kRegOk;
}

int32_t PosixRegistry::OpenKey(RootKey root, const std::string& subkey, uint32_t access,
                               std::unique_ptr<RegistryKey>* key) {
  return Open(root, subkey, access, false, key);
}

int32_t PosixRegistry::CreateKey(RootKey root, const std::string& subkey, uint32_t access,
                                 std::unique_ptr<RegistryKey>* key) {
  return Open(root, subkey, access, true, key);
}

int32_t PosixRegistry::Delete(RootKey root, const std::string& subkey, uint32_t access, bool tree) {
  Target target;
  int32_t result = Locate(root, subkey, Normalize(access), &target);
  if (result != kRegOk) return result;
  if (!target.hive || target.root_key) return kRegAccessDenied;  // root keys stay
  if (target.machine && !may_write_machine_) return kRegAccessDenied;
  switch (target.hive->Delete(target.path, tree)) {
    case Hive::DeleteResult::kDeleted:
      return kRegOk;
    case Hive::DeleteResult::kNotFound:
      return kRegFileNotFound;
    case Hive::DeleteResult::kHasSubKeys:
      break;
  }
  return kRegAccessDenied;  // as RegDeleteKey answers for a key with sub-keys
}

int32_t PosixRegistry::DeleteKey(RootKey root, const std::string& subkey, uint32_t access) {
  return Delete(root, subkey, access, false);
}

int32_t PosixRegistry::DeleteTree(RootKey root, const std::string& subkey, uint32_t access) {
  return Delete(root, subkey, access, true);
}

}  // namespace quillset::platform::posix
