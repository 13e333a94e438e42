#include "platform/posix/registry_hive.h"

#include <filesystem>
#include <stdexcept>

#include "platform/posix/paths/windows_path.h"
#include "platform/posix/sqlite_db.h"

namespace quillset::platform::posix {

namespace {

constexpr int kBusyTimeoutMs = 60000;

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL,"
    " name TEXT NOT NULL, folded TEXT NOT NULL, UNIQUE(parent, folded));"
    "CREATE TABLE IF NOT EXISTS vals(key INTEGER NOT NULL, name TEXT NOT NULL, folded TEXT NOT NULL,"
    " type INTEGER NOT NULL, data BLOB NOT NULL, UNIQUE(key, folded));"
    "PRAGMA user_version = 1;";

// "SOFTWARE\Classes" -> {"SOFTWARE", "Classes"}
std::vector<std::string> SplitKey(const std::string& key) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= key.size()) {
    size_t end = key.find('\\', start);
    if (end == std::string::npos) end = key.size();
    if (end > start) names.push_back(key.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

int64_t UserVersion(sqlite3* db) {
  Statement query(db, "PRAGMA user_version");
  return query.Step() ? query.Int(0) : 0;
}

}  // namespace

Hive::Hive(std::string file, std::vector<HiveSeed> seed) : file_(std::move(file)), seed_(std::move(seed)) {}

Hive::~Hive() { sqlite3_close(db_); }

bool Hive::Open() {
  if (db_) return true;
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(file_).parent_path(), ignored);
  bool writable = true;
  if (sqlite3_open_v2(file_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    sqlite3_close(db_);
    db_ = nullptr;
    writable = false;
    if (sqlite3_open_v2(file_.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      sqlite3_close(db_);
      db_ = nullptr;
      return false;
    }
  }
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  if (sqlite3_db_readonly(db_, "main") == 1) writable = false;
  if (!writable) {
    if (UserVersion(db_) == 0) {
      sqlite3_close(db_);
      db_ = nullptr;
      return false;
    }
    return true;
  }
  // WAL lets readers go on while another process writes; NORMAL syncing keeps every committed
  // write across a crash of the process.
  Exec(db_, "PRAGMA journal_mode = WAL");
  Exec(db_, "PRAGMA synchronous = NORMAL");
  Transaction transaction(db_, true);
  if (UserVersion(db_) == 0) {
    Exec(db_, kSchema);
    for (const auto& key : seed_) {
      KeyId id = CreateLocked(SplitKey(key.key));
      for (const auto& value : key.values) SetValueLocked(id, value);
    }
  }
  transaction.Commit();
  return true;
}

void Hive::OpenForWriting() {
  if (!Open()) throw std::runtime_error("registry store: cannot create " + file_);
}

std::optional<Hive::KeyId> Hive::FindLocked(const std::vector<std::string>& path) {
  KeyId id = kRoot;
  for (const auto& name : path) {
    Statement find(db_, "SELECT id FROM keys WHERE parent = ?1 AND folded = ?2");
    find.Bind(1, id).Bind(2, FoldCase(name));
    if (!find.Step()) return std::nullopt;
    id = find.Int(0);
  }
  return id;
}

Hive::KeyId Hive::CreateLocked(const std::vector<std::string>& path) {
  KeyId id = kRoot;
  for (const auto& name : path) {
    Statement find(db_, "SELECT id FROM keys WHERE parent = ?1 AND folded = ?2");
    find.Bind(1, id).Bind(2, FoldCase(name));
    if (find.Step()) {
      id = find.Int(0);
      continue;
    }
    Statement insert(db_, "INSERT INTO keys(parent, name, folded) VALUES(?1, ?2, ?3)");
    insert.Bind(1, id).Bind(2, name).Bind(3, FoldCase(name)).Run();
    id = sqlite3_last_insert_rowid(db_);
  }
  return id;
}

bool Hive::ExistsLocked(KeyId key) {
  if (key == kRoot) return true;
  Statement find(db_, "SELECT 1 FROM keys WHERE id = ?1");
  find.Bind(1, key);
  return find.Step();
}

void Hive::SetValueLocked(KeyId key, const RegistryValue& value) {
  // An update keeps the value's place and first spelling.
  Statement upsert(db_,
                   "INSERT INTO vals(key, name, folded, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
                   " ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data");
  upsert.Bind(1, key).Bind(2, value.name).Bind(3, FoldCase(value.name)).Bind(4, int64_t{value.type});
  upsert.BindBlob(5, value.data).Run();
}

std::optional<Hive::KeyId> Hive::Find(const std::vector<std::string>& path) {
  std::lock_guard lock(mutex_);
  if (!Open()) return path.empty() ? std::optional<KeyId>(kRoot) : std::nullopt;
  Transaction transaction(db_, false);
  return FindLocked(path);
}

Hive::KeyId Hive::Create(const std::vector<std::string>& path) {
  std::lock_guard lock(mutex_);
  OpenForWriting();
  Transaction transaction(db_, true);
  KeyId id = CreateLocked(path);
  transaction.Commit();
  return id;
}

bool Hive::Exists(KeyId key) {
  std::lock_guard lock(mutex_);
  if (!Open()) return key == kRoot;
  return ExistsLocked(key);
}

std::optional<RegistryValue> Hive::GetValue(KeyId key, const std::string& name) {
  std::lock_guard lock(mutex_);
  if (!Open()) return std::nullopt;
  Statement find(db_, "SELECT name, type, data FROM vals WHERE key = ?1 AND folded = ?2");
  find.Bind(1, key).Bind(2, FoldCase(name));
  if (!find.Step()) return std::nullopt;
  return RegistryValue{find.Text(0), static_cast<uint32_t>(find.Int(1)), find.Text(2)};
}

bool Hive::SetValue(KeyId key, const RegistryValue& value) {
  std::lock_guard lock(mutex_);
  OpenForWriting();
  Transaction transaction(db_, true);
  if (!ExistsLocked(key)) return false;
  SetValueLocked(key, value);
  transaction.Commit();
  return true;
}

bool Hive::DeleteValue(KeyId key, const std::string& name) {
  std::lock_guard lock(mutex_);
  OpenForWriting();
  Statement erase(db_, "DELETE FROM vals WHERE key = ?1 AND folded = ?2");
  erase.Bind(1, key).Bind(2, FoldCase(name)).Run();
  return sqlite3_changes(db_) > 0;
}

std::vector<std::string> Hive::SubKeys(KeyId key) {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  if (!Open()) return names;
  Statement list(db_, "SELECT name FROM keys WHERE parent = ?1 ORDER BY folded");
  list.Bind(1, key);
  while (list.Step()) names.push_back(list.Text(0));
  return names;
}

std::vector<RegistryValue> Hive::Values(KeyId key) {
  std::lock_guard lock(mutex_);
  std::vector<RegistryValue> values;
  if (!Open()) return values;
  Statement list(db_, "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY rowid");
  list.Bind(1, key);
  while (list.Step()) values.push_back({list.Text(0), static_cast<uint32_t>(list.Int(1)), list.Text(2)});
  return values;
}

Hive::DeleteResult Hive::Delete(const std::vector<std::string>& path, bool tree) {
  std::lock_guard lock(mutex_);
  if (!Open()) return DeleteResult::kNotFound;
  Transaction transaction(db_, true);
  auto id = FindLocked(path);
  if (!id || *id == kRoot) return DeleteResult::kNotFound;
  if (!tree) {
    Statement child(db_, "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1");
    child.Bind(1, *id);
    if (child.Step()) return DeleteResult::kHasSubKeys;
  }
  const char* const kBelow = "WITH RECURSIVE below(id) AS (SELECT ?1 UNION ALL SELECT keys.id FROM keys JOIN below ON keys.parent = below.id) ";
  Statement(db_, (std::string(kBelow) + "DELETE FROM vals WHERE key IN (SELECT id FROM below)").c_str()).Bind(1, *id).Run();
  Statement(db_, (std::string(kBelow) + "DELETE FROM keys WHERE id IN (SELECT id FROM below)").c_str()).Bind(1, *id).Run();
  transaction.Commit();
  return DeleteResult::kDeleted;
}

}  // namespace quillset::platform::posix
