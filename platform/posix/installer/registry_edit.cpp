#include "platform/posix/installer/registry_edit.h"

#include <vector>

namespace quillset::platform::posix::installer {

bool KeyExists(Registry& registry, const RegistryPlace& place) {
  std::unique_ptr<RegistryKey> key;
  return registry.OpenKey(place.root, place.key, kKeyRead | place.view, &key) == kRegOk;
}

std::optional<RegistryValue> ReadValue(Registry& registry, const RegistryPlace& place, const std::string& name) {
  std::unique_ptr<RegistryKey> key;
  if (registry.OpenKey(place.root, place.key, kKeyRead | place.view, &key) != kRegOk) return std::nullopt;
  RegistryValue value;
  if (key->QueryValue(name, &value) != kRegOk) return std::nullopt;
  return value;
}

int32_t WriteValue(Registry& registry, const RegistryPlace& place, const RegistryValue& value) {
  std::unique_ptr<RegistryKey> key;
  int32_t result = registry.CreateKey(place.root, place.key, kKeyWrite | place.view, &key);
  return result != kRegOk ? result : key->SetValue(value);
}

int32_t CreateKey(Registry& registry, const RegistryPlace& place) {
  std::unique_ptr<RegistryKey> key;
  return registry.CreateKey(place.root, place.key, kKeyWrite | place.view, &key);
}

bool DeleteValue(Registry& registry, const RegistryPlace& place, const std::string& name) {
  std::unique_ptr<RegistryKey> key;
  if (registry.OpenKey(place.root, place.key, kKeyAllAccess | place.view, &key) != kRegOk) return false;
  return key->DeleteValue(name) == kRegOk;
}

bool DeleteKeyIfEmpty(Registry& registry, const RegistryPlace& place) {
  std::unique_ptr<RegistryKey> key;
  if (registry.OpenKey(place.root, place.key, kKeyRead | place.view, &key) != kRegOk) return false;
  std::vector<std::string> subkeys;
  std::vector<RegistryValue> values;
  if (key->EnumSubKeys(&subkeys) != kRegOk || key->EnumValues(&values) != kRegOk) return false;
  if (!subkeys.empty() || !values.empty()) return false;
  key.reset();
  return registry.DeleteKey(place.root, place.key, place.view) == kRegOk;
}

std::vector<std::string> MissingKeys(Registry& registry, const RegistryPlace& place) {
  std::vector<std::string> missing;
  std::string path = place.key;
  while (!path.empty() && !KeyExists(registry, {place.root, place.view, path})) {
    missing.insert(missing.begin(), path);
    size_t cut = path.rfind('\\');
    path = cut == std::string::npos ? "" : path.substr(0, cut);
  }
  return missing;
}

}  // namespace quillset::platform::posix::installer
