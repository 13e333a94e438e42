// The registry, shaped after the Windows registry API: root keys, views, value types and
// result codes are Windows' own so that callers port unchanged.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillset::platform {

enum class RootKey { kClassesRoot, kCurrentUser, kLocalMachine, kUsers, kCurrentConfig };

enum RegistryValueType : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
  kRegQword = 11,
};

// Access bits as in the Windows API; only the view and write bits change behaviour here.
enum RegistryAccess : uint32_t {
  kKeyRead = 0x20019,
  kKeyWrite = 0x20006,
  kKeyAllAccess = 0xF003F,
  kKeyWow64_64Key = 0x0100,
  kKeyWow64_32Key = 0x0200,
};

// Windows error codes the registry answers with.
enum RegistryResult : int32_t {
  kRegOk = 0,
  kRegFileNotFound = 2,
  kRegAccessDenied = 5,
  kRegInvalidParameter = 87,
  kRegMoreData = 234,
  kRegNoMoreItems = 259,
  kRegKeyDeleted = 1018,  // the open key was deleted meanwhile
};

struct RegistryValue {
  std::string name;     // empty for the default value
  uint32_t type = kRegSz;
  std::string data;     // raw bytes as Windows stores them; strings without the terminating zero
};

// An open key. Closing is destruction.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  virtual int32_t QueryValue(const std::string& name, RegistryValue* value) = 0;
  virtual int32_t SetValue(const RegistryValue& value) = 0;
  virtual int32_t DeleteValue(const std::string& name) = 0;
  virtual int32_t EnumSubKeys(std::vector<std::string>* names) = 0;
  virtual int32_t EnumValues(std::vector<RegistryValue>* values) = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens an existing key (RegOpenKeyEx). A key opened without a view bit by the engine lies
  // in the 32-bit view.
  virtual int32_t OpenKey(RootKey root, const std::string& subkey, uint32_t access,
                          std::unique_ptr<RegistryKey>* key) = 0;
  // Opens or creates a key with its missing parents (RegCreateKeyEx).
  virtual int32_t CreateKey(RootKey root, const std::string& subkey, uint32_t access,
                            std::unique_ptr<RegistryKey>* key) = 0;
  // Deletes a key without sub-keys (RegDeleteKeyEx).
  virtual int32_t DeleteKey(RootKey root, const std::string& subkey, uint32_t access) = 0;
  // Deletes a key and everything below it (SHDeleteKey).
  virtual int32_t DeleteTree(RootKey root, const std::string& subkey, uint32_t access) = 0;
};

}  // namespace quillset::platform
