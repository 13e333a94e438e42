#include "platform/posix/sqlite_db.h"

#include <stdexcept>

namespace quillset::platform::posix {

void ThrowSqlite(sqlite3* db, const std::string& what) {
  throw std::runtime_error("registry store: " + what + ": " + sqlite3_errmsg(db));
}

void Exec(sqlite3* db, const char* sql) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) ThrowSqlite(db, sql);
}

Statement::Statement(sqlite3* db, const char* sql) : db_(db) {
  if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) ThrowSqlite(db, sql);
}

Statement::~Statement() { sqlite3_finalize(statement_); }

Statement& Statement::Bind(int index, int64_t value) {
  if (sqlite3_bind_int64(statement_, index, value) != SQLITE_OK) ThrowSqlite(db_, "bind");
  return *this;
}

Statement& Statement::Bind(int index, const std::string& text) {
  if (sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) != SQLITE_OK)
    ThrowSqlite(db_, "bind");
  return *this;
}

Statement& Statement::BindBlob(int index, const std::string& data) {
  // An empty blob must not become NULL: bind a zero-length blob explicitly.
  int rc = data.empty() ? sqlite3_bind_zeroblob(statement_, index, 0)
                        : sqlite3_bind_blob(statement_, index, data.data(), static_cast<int>(data.size()), SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) ThrowSqlite(db_, "bind");
  return *this;
}

bool Statement::Step() {
  int rc = sqlite3_step(statement_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  ThrowSqlite(db_, sqlite3_sql(statement_));
}

void Statement::Run() {
  while (Step()) {
  }
}

int64_t Statement::Int(int column) { return sqlite3_column_int64(statement_, column); }

std::string Statement::Text(int column) {
  const void* data = sqlite3_column_blob(statement_, column);
  int size = sqlite3_column_bytes(statement_, column);
  return data ? std::string(static_cast<const char*>(data), static_cast<size_t>(size)) : std::string();
}

Transaction::Transaction(sqlite3* db, bool write) : db_(db) { Exec(db, write ? "BEGIN IMMEDIATE" : "BEGIN"); }

Transaction::~Transaction() {
  if (!done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
  Exec(db_, "COMMIT");
  done_ = true;
}

}  // namespace quillset::platform::posix
