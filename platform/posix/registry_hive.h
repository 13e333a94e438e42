// One registry hive in one SQLite database. Several processes may use the same file at once:
// every change is one transaction, waiting for the others instead of failing.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

struct sqlite3;

namespace quillset::platform::posix {

// A key with values that a fresh hive starts with, e.g. "SOFTWARE\Classes".
struct HiveSeed {
  std::string key;
  std::vector<RegistryValue> values;
};

class Hive {
 public:
  using KeyId = int64_t;
  static constexpr KeyId kRoot = 0;
  enum class DeleteResult { kDeleted, kNotFound, kHasSubKeys };

  // The database is opened, and created with its folder, on first use. SQLite failures throw.
  Hive(std::string file, std::vector<HiveSeed> seed);
  ~Hive();
  Hive(const Hive&) = delete;
  Hive& operator=(const Hive&) = delete;

  // Key paths are lists of names, matched without regard to case.
  std::optional<KeyId> Find(const std::vector<std::string>& path);
  KeyId Create(const std::vector<std::string>& path);  // keeps the spelling of existing keys
  bool Exists(KeyId key);
  std::optional<RegistryValue> GetValue(KeyId key, const std::string& name);
  bool SetValue(KeyId key, const RegistryValue& value);  // false when the key is gone
  bool DeleteValue(KeyId key, const std::string& name);  // false when there is no such value
  std::vector<std::string> SubKeys(KeyId key);           // sorted without regard to case
  std::vector<RegistryValue> Values(KeyId key);          // in the order they were first set
  // Deletes a key (the root cannot be deleted); tree: with everything below it.
  DeleteResult Delete(const std::vector<std::string>& path, bool tree);

 private:
  // Opens the database; false when it neither exists nor can be created (a hive nobody may
  // write reads as empty).
  bool Open();
  void OpenForWriting();
  std::optional<KeyId> FindLocked(const std::vector<std::string>& path);
  KeyId CreateLocked(const std::vector<std::string>& path);
  bool ExistsLocked(KeyId key);
  void SetValueLocked(KeyId key, const RegistryValue& value);

  std::string file_;
  std::vector<HiveSeed> seed_;
  std::mutex mutex_;  // one connection, shared by the engine's threads
  sqlite3* db_ = nullptr;
};

}  // namespace quillset::platform::posix
