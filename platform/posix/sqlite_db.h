// Thin RAII helpers over SQLite: prepared statements and transactions; every failure throws
// with SQLite's message.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace quillset::platform::posix {

[[noreturn]] void ThrowSqlite(sqlite3* db, const std::string& what);
void Exec(sqlite3* db, const char* sql);

class Statement {
 public:
  Statement(sqlite3* db, const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, int64_t value);
  Statement& Bind(int index, const std::string& text);
  Statement& BindBlob(int index, const std::string& data);
  bool Step();  // true while a row is there
  void Run();   // steps to the end
  int64_t Int(int column);
  std::string Text(int column);  // also for blobs

 private:
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

// BEGIN IMMEDIATE for writers, so two writers queue at the start instead of failing on upgrade;
// rolled back unless committed.
class Transaction {
 public:
  Transaction(sqlite3* db, bool write);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit();

 private:
  sqlite3* db_;
  bool done_ = false;
};

}  // namespace quillset::platform::posix
