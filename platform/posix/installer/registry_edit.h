// Single registry edits in one view, as the registry actions and the rollback journal make
// them. view is kKeyWow64_32Key or kKeyWow64_64Key.
#pragma once

#include <optional>
#include <string>

#include "platform/registry.h"

namespace quillset::platform::posix::installer {

struct RegistryPlace {
  RootKey root = RootKey::kLocalMachine;
  uint32_t view = kKeyWow64_32Key;
  std::string key;
};

bool KeyExists(Registry& registry, const RegistryPlace& place);
std::optional<RegistryValue> ReadValue(Registry& registry, const RegistryPlace& place, const std::string& name);
// Creates the key with its parents; answers the registry's result code.
int32_t WriteValue(Registry& registry, const RegistryPlace& place, const RegistryValue& value);
int32_t CreateKey(Registry& registry, const RegistryPlace& place);
bool DeleteValue(Registry& registry, const RegistryPlace& place, const std::string& name);
// Deletes the key when it holds neither values nor sub-keys.
bool DeleteKeyIfEmpty(Registry& registry, const RegistryPlace& place);

// The keys of place.key, from the first that does not exist down to the key itself: what
// creating it will create.
std::vector<std::string> MissingKeys(Registry& registry, const RegistryPlace& place);

}  // namespace quillset::platform::posix::installer
