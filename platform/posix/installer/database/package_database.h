// A package (an MSI database) opened through libmsi: rows of SQL queries, table streams,
// summary information. Used by the database functions of the installer table and by the
// installation engine. Errors are reported as PackageError carrying the message.
#pragma once

#include <gio/gio.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillset::platform::posix::installer {

class PackageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  // code: the installer's result code for the failure (1615 bad query, 1619 open failed, …).
  PackageError(const std::string& message, uint32_t code) : std::runtime_error(message), code_(code) {}
  uint32_t code() const { return code_; }

 private:
  uint32_t code_ = 1627;  // function failed
};

// One field of a row: empty (null), an integer or a string.
struct Field {
  enum class Kind { kNull, kInteger, kString };
  Kind kind = Kind::kNull;
  int32_t integer = 0;
  std::string text;
};

struct Row {
  std::vector<Field> fields;  // field 1 of the installer's numbering is fields[0]
  bool IsNull(size_t index) const;
  // A string field as written; an integer field in decimal; a null field as "".
  std::string Text(size_t index) const;
  // An integer field; a string field holding a decimal number; otherwise fallback.
  int32_t Integer(size_t index, int32_t fallback = INT32_MIN) const;
};

// A column of a query: its name and its type as the database spells it ("s72" a string of up
// to 72 characters, "i2" a short integer, "l0" a localizable text, "v0" a stream; upper case
// when the column may be null).
struct Column {
  std::string name;
  std::string type;
  bool IsInteger() const { return !type.empty() && (type[0] == 'i' || type[0] == 'I'); }
  bool IsStream() const { return !type.empty() && (type[0] == 'v' || type[0] == 'V'); }
};

struct QueryResult {
  std::vector<Column> columns;  // empty for statements that return no rows
  std::vector<Row> rows;        // stream fields are null
};

// A stream of the package's _Streams table (an embedded cabinet), read in place. It needs its
// package open while it is read.
class PackageStream {
 public:
  virtual ~PackageStream() = default;
  virtual GInputStream* input() = 0;
};

class PackageDatabase {
 public:
  enum class Mode { kReadOnly, kDirect };
  // host_path: the package file on the host. Throws PackageError when it cannot be opened or
  // is no package.
  static std::unique_ptr<PackageDatabase> Open(const std::string& host_path, Mode mode);
  virtual ~PackageDatabase() = default;

  virtual bool HasTable(const std::string& table) = 0;
  // The rows of a SELECT, in the database's order. Throws on a bad query or a missing table.
  virtual std::vector<Row> Select(const std::string& sql) = 0;
  // Runs a statement that returns no rows (INSERT, UPDATE, DELETE, CREATE, ALTER).
  virtual void Execute(const std::string& sql) = 0;
  // Any statement, with parameters bound to its "?" markers in order (parameters[0] is the
  // first). A read-only database refuses statements other than SELECT.
  virtual QueryResult Query(const std::string& sql, const std::vector<Field>& parameters = {}) = 0;
  virtual std::vector<std::string> Tables() = 0;
  // The primary key columns of a table, in key order; throws when there is no such table.
  virtual std::vector<std::string> PrimaryKeys(const std::string& table) = 0;
  virtual bool ReadOnly() const = 0;
  // Compiles a statement without running it; throws as Query would for bad SQL or a missing
  // table.
  virtual void Check(const std::string& sql) = 0;
  // Copies the stream `name` of the _Streams table (an embedded cabinet) to a host file;
  // false when there is no such stream.
  virtual bool ExtractStream(const std::string& name, const std::string& host_path) = 0;
  // The stream `name` of the _Streams table for reading where it lies; nullptr when there is
  // no such stream.
  virtual std::unique_ptr<PackageStream> OpenStream(const std::string& name) = 0;

  // Summary information. Strings and integers by property id (7 template, 9 revision
  // number = package code, 15 word count, …).
  virtual std::optional<std::string> SummaryString(uint32_t property) = 0;
  virtual std::optional<int32_t> SummaryInteger(uint32_t property) = 0;
  // Times (10 to 13) as FILETIME values: 100 ns units since 1601.
  virtual std::optional<uint64_t> SummaryTime(uint32_t property) = 0;
  virtual void SetSummaryString(uint32_t property, const std::string& value) = 0;
  virtual void SetSummaryInteger(uint32_t property, int32_t value) = 0;
  virtual void SetSummaryTime(uint32_t property, uint64_t value) = 0;
  virtual void PersistSummary() = 0;

  // Writes the changes of a direct database to its file.
  virtual void Commit() = 0;
};

}  // namespace quillset::platform::posix::installer
