#include "platform/posix/installer/database/database_functions.h"

#include <cctype>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/installer/database/package_database.h"

namespace quillset::platform::posix::installer {

namespace {

namespace msi = platform::msi;
using platform::DWORD;
using platform::LPCSTR;
using platform::LPSTR;
using platform::MSIHANDLE;
using platform::UINT;

constexpr UINT kErrorOpenFailed = 110;
constexpr UINT kErrorBadPathname = 161;
constexpr UINT kMaxRecordFields = 65535;
constexpr UINT kLastSummaryProperty = 19;

struct DatabaseObject : HandleObject {
  std::shared_ptr<PackageDatabase> database;
};

// A record's fields with field 0 at index 0, as the installer numbers them. A fetched record
// remembers its view and row so that it can be written back.
struct RecordObject : HandleObject {
  Row row;
  const void* view = nullptr;
  uint64_t run = 0;
  size_t index = 0;
};

struct ViewObject : HandleObject {
  std::shared_ptr<PackageDatabase> database;
  std::string sql;
  bool select = false;
  bool executed = false;
  uint64_t run = 0;  // counts executions; records of an earlier one no longer match
  QueryResult result;
  size_t next = 0;
  // The table and the primary keys of each row, when the view has them.
  std::string table;
  std::vector<std::string> key_columns;
  std::vector<Row> keys;
};

struct SummaryObject : HandleObject {
  std::shared_ptr<PackageDatabase> database;
  bool own_database = false;  // opened from a path: persisting also writes the file
  UINT update_count = 0;
};

// ---- SQL pieces ----

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '.'; }

bool WordAt(const std::string& sql, size_t at, const char* word) {
  const size_t length = std::strlen(word);
  if (at + length > sql.size()) return false;
  for (size_t i = 0; i < length; ++i)
    if (std::toupper(static_cast<unsigned char>(sql[at + i])) != word[i]) return false;
  return (at == 0 || !IsNameChar(sql[at - 1])) && (at + length == sql.size() || !IsNameChar(sql[at + length]));
}

size_t SkipSpace(const std::string& sql, size_t at) {
  while (at < sql.size() && IsSpace(sql[at])) ++at;
  return at;
}

// The position of a keyword outside quoted names and literals, or npos.
size_t FindWord(const std::string& sql, const char* word, size_t from = 0) {
  char quote = 0;
  for (size_t i = from; i < sql.size(); ++i) {
    if (quote) {
      if (sql[i] == quote) quote = 0;
    } else if (sql[i] == '\'' || sql[i] == '`') {
      quote = sql[i];
    } else if (WordAt(sql, i, word)) {
      return i;
    }
  }
  return std::string::npos;
}

struct KeySource {
  std::string table;
  std::string rest;  // from the table name's end
};

// The table of a one-table SELECT and what follows its name (see the header's grammar).
std::optional<KeySource> KeySourceOf(const std::string& sql) {
  size_t at = SkipSpace(sql, 0);
  if (!WordAt(sql, at, "SELECT")) return std::nullopt;
  at = SkipSpace(sql, at + 6);
  if (WordAt(sql, at, "DISTINCT")) return std::nullopt;
  size_t from = FindWord(sql, "FROM", at);
  if (from == std::string::npos) return std::nullopt;
  at = SkipSpace(sql, from + 4);
  KeySource source;
  if (at < sql.size() && sql[at] == '`') {
    size_t end = sql.find('`', at + 1);
    if (end == std::string::npos) return std::nullopt;
    source.table = sql.substr(at + 1, end - at - 1);
    at = end + 1;
  } else {
    size_t begin = at;
    while (at < sql.size() && IsNameChar(sql[at])) ++at;
    source.table = sql.substr(begin, at - begin);
  }
  if (source.table.empty()) return std::nullopt;
  size_t after = SkipSpace(sql, at);
  if (after < sql.size() && sql[after] == ',') return std::nullopt;
  source.rest = sql.substr(at);
  return source;
}

std::string Quoted(const std::string& name) { return "`" + name + "`"; }

// ---- buffers ----

// Copies text into a caller's buffer as the installer does: *size receives the length without
// the terminator; a buffer too small gets what fits and 234.
UINT CopyOut(const std::string& text, LPSTR buffer, DWORD* size) {
  if (size == nullptr) return buffer ? msi::kErrorInvalidParameter : msi::kSuccess;
  const DWORD room = *size;
  *size = static_cast<DWORD>(text.size());
  if (buffer == nullptr) return msi::kSuccess;
  if (room == 0) return msi::kErrorMoreData;
  const size_t copied = std::min<size_t>(text.size(), room - 1);
  std::memcpy(buffer, text.data(), copied);
  buffer[copied] = '\0';
  return text.size() < room ? msi::kSuccess : msi::kErrorMoreData;
}

// ---- the entries ----

class DatabaseFunctions {
 public:
  DatabaseFunctions(HandleTable& handles, const PathMap& paths) : handles_(handles), paths_(paths) {}

  UINT OpenDatabase(LPCSTR path, LPCSTR persist, MSIHANDLE* handle) {
    if (path == nullptr || handle == nullptr) return msi::kErrorInvalidParameter;
    *handle = 0;
    const auto mode_value = reinterpret_cast<uintptr_t>(persist);
    PackageDatabase::Mode mode;
    if (mode_value == msi::kDbOpenReadOnly) {
      mode = PackageDatabase::Mode::kReadOnly;
    } else if (mode_value == msi::kDbOpenDirect || mode_value == msi::kDbOpenTransact) {
      // Changes reach the file only at the commit in both modes, as the engine relies on.
      mode = PackageDatabase::Mode::kDirect;
    } else {
      // Creating databases and writing to another file are not offered.
      return msi::kErrorInvalidParameter;
    }
    std::optional<std::string> host = paths_.ToHost(path);
    if (!host) return kErrorBadPathname;
    auto object = std::make_shared<DatabaseObject>();
    try {
      object->database = PackageDatabase::Open(*host, mode);
    } catch (const PackageError&) {
      return kErrorOpenFailed;
    }
    *handle = handles_.Add(object);
    return msi::kSuccess;
  }

  UINT OpenView(MSIHANDLE database, LPCSTR query, MSIHANDLE* handle) {
    auto owner = handles_.Get<DatabaseObject>(database);
    if (!owner) return msi::kErrorInvalidHandle;
    if (query == nullptr || handle == nullptr) return msi::kErrorInvalidParameter;
    *handle = 0;
    try {
      owner->database->Check(query);
    } catch (const PackageError& error) {
      return error.code() == msi::kErrorFunctionFailed ? msi::kErrorBadQuerySyntax : error.code();
    }
    auto view = std::make_shared<ViewObject>();
    view->database = owner->database;
    view->sql = query;
    size_t start = SkipSpace(view->sql, 0);
    view->select = WordAt(view->sql, start, "SELECT");
    *handle = handles_.Add(view);
    return msi::kSuccess;
  }

  UINT Execute(MSIHANDLE handle, MSIHANDLE parameters) {
    auto view = handles_.Get<ViewObject>(handle);
    if (!view) return msi::kErrorInvalidHandle;
    std::vector<Field> bound;
    if (parameters != 0) {
      auto record = handles_.Get<RecordObject>(parameters);
      if (!record) return msi::kErrorInvalidHandle;
      bound.assign(record->row.fields.begin() + 1, record->row.fields.end());
    }
    Reset(*view);
    try {
      view->result = view->database->Query(view->sql, bound);
    } catch (const PackageError& error) {
      return error.code();
    }
    view->executed = true;
    if (view->select) ReadKeys(*view, bound);
    return msi::kSuccess;
  }

  UINT Fetch(MSIHANDLE handle, MSIHANDLE* record) {
    auto view = handles_.Get<ViewObject>(handle);
    if (!view) return msi::kErrorInvalidHandle;
    if (record == nullptr) return msi::kErrorInvalidParameter;
    *record = 0;
    if (!view->executed || !view->select) return msi::kErrorFunctionFailed;
    if (view->next >= view->result.rows.size()) return msi::kErrorNoMoreItems;
    auto object = std::make_shared<RecordObject>();
    object->row.fields.resize(1);
    const Row& row = view->result.rows[view->next];
    object->row.fields.insert(object->row.fields.end(), row.fields.begin(), row.fields.end());
    object->view = view.get();
    object->run = view->run;
    object->index = view->next++;
    *record = handles_.Add(object);
    return msi::kSuccess;
  }

  UINT Modify(MSIHANDLE handle, int32_t mode, MSIHANDLE record_handle) {
    auto view = handles_.Get<ViewObject>(handle);
    if (!view) return msi::kErrorInvalidHandle;
    auto record = handles_.Get<RecordObject>(record_handle);
    if (!record) return msi::kErrorInvalidHandle;
    if (!view->executed || !view->select) return msi::kErrorFunctionFailed;
    const std::vector<Column>& columns = view->result.columns;
    if (record->row.fields.size() - 1 < columns.size()) return msi::kErrorInvalidParameter;
    try {
      switch (mode) {
        case msi::kModifyUpdate: return Update(*view, *record);
        case msi::kModifyInsert: return Insert(*view, *record);
        case msi::kModifyDelete: return Delete(*view, *record);
        default: return msi::kErrorFunctionFailed;  // the other modes are not offered here
      }
    } catch (const PackageError& error) {
      return error.code();
    }
  }

  UINT CloseView(MSIHANDLE handle) {
    auto view = handles_.Get<ViewObject>(handle);
    if (!view) return msi::kErrorInvalidHandle;
    Reset(*view);
    return msi::kSuccess;
  }

  UINT Commit(MSIHANDLE handle) {
    auto owner = handles_.Get<DatabaseObject>(handle);
    if (!owner) return msi::kErrorInvalidHandle;
    try {
      owner->database->Commit();
    } catch (const PackageError& error) {
      return error.code();
    }
    return msi::kSuccess;
  }

  MSIHANDLE CreateRecord(UINT fields) {
    if (fields > kMaxRecordFields) return 0;
    auto object = std::make_shared<RecordObject>();
    object->row.fields.resize(fields + 1);
    return handles_.Add(object);
  }

  UINT FieldCount(MSIHANDLE handle) {
    auto record = handles_.Get<RecordObject>(handle);
    if (!record) return static_cast<UINT>(-1);
    return static_cast<UINT>(record->row.fields.size() - 1);
  }

  UINT GetString(MSIHANDLE handle, UINT field, LPSTR buffer, DWORD* size) {
    auto record = handles_.Get<RecordObject>(handle);
    if (!record) return msi::kErrorInvalidHandle;
    // A field beyond the last reads as empty.
    return CopyOut(record->row.Text(field), buffer, size);
  }

  int32_t GetInteger(MSIHANDLE handle, UINT field) {
    auto record = handles_.Get<RecordObject>(handle);
    if (!record) return msi::kNullInteger;
    return record->row.Integer(field, msi::kNullInteger);
  }

  UINT SetString(MSIHANDLE handle, UINT field, LPCSTR value) {
    auto record = handles_.Get<RecordObject>(handle);
    if (!record) return msi::kErrorInvalidHandle;
    if (field >= record->row.fields.size()) return msi::kErrorInvalidParameter;
    Field& target = record->row.fields[field];
    // The installer keeps no empty strings: "" is a null field.
    if (value == nullptr || *value == '\0')
      target = Field{};
    else
      target = Field{Field::Kind::kString, 0, value};
    return msi::kSuccess;
  }

  UINT SetInteger(MSIHANDLE handle, UINT field, int32_t value) {
    auto record = handles_.Get<RecordObject>(handle);
    if (!record) return msi::kErrorInvalidHandle;
    if (field >= record->row.fields.size()) return msi::kErrorInvalidParameter;
    Field& target = record->row.fields[field];
    if (value == msi::kNullInteger)
      target = Field{};
    else
      target = Field{Field::Kind::kInteger, value, ""};
    return msi::kSuccess;
  }

  UINT GetSummary(MSIHANDLE database, LPCSTR path, UINT update_count, MSIHANDLE* handle) {
    if (handle == nullptr) return msi::kErrorInvalidParameter;
    *handle = 0;
    auto object = std::make_shared<SummaryObject>();
    object->update_count = update_count;
    if (database != 0) {
      auto owner = handles_.Get<DatabaseObject>(database);
      if (!owner) return msi::kErrorInvalidHandle;
      object->database = owner->database;
    } else {
      if (path == nullptr) return msi::kErrorInvalidParameter;
      std::optional<std::string> host = paths_.ToHost(path);
      if (!host) return kErrorBadPathname;
      try {
        object->database = PackageDatabase::Open(
            *host, update_count == 0 ? PackageDatabase::Mode::kReadOnly : PackageDatabase::Mode::kDirect);
      } catch (const PackageError&) {
        return msi::kErrorInstallPackageInvalid;
      }
      object->own_database = true;
    }
    try {
      object->database->SummaryString(msi::kPidTemplate);  // reads the stream once, so its faults show here
    } catch (const PackageError&) {
      return msi::kErrorInstallPackageInvalid;
    }
    *handle = handles_.Add(object);
    return msi::kSuccess;
  }

  UINT GetSummaryProperty(MSIHANDLE handle, UINT property, UINT* type, int32_t* integer, platform::FILETIME* time,
                          LPSTR buffer, DWORD* size) {
    auto summary = handles_.Get<SummaryObject>(handle);
    if (!summary) return msi::kErrorInvalidHandle;
    if (property > kLastSummaryProperty) return msi::kErrorUnknownProperty;
    PackageDatabase& database = *summary->database;
    try {
      if (auto text = database.SummaryString(property)) {
        if (type) *type = msi::kVtLpstr;
        return CopyOut(*text, buffer, size);
      }
      if (auto number = database.SummaryInteger(property)) {
        if (type) *type = property == 1 ? msi::kVtI2 : msi::kVtI4;
        if (integer) *integer = *number;
        return msi::kSuccess;
      }
      if (auto stamp = database.SummaryTime(property)) {
        if (type) *type = msi::kVtFiletime;
        if (time) {
          time->dwLowDateTime = static_cast<DWORD>(*stamp & 0xFFFFFFFFu);
          time->dwHighDateTime = static_cast<DWORD>(*stamp >> 32);
        }
        return msi::kSuccess;
      }
    } catch (const PackageError& error) {
      return error.code();
    }
    if (type) *type = msi::kVtEmpty;
    return msi::kSuccess;
  }

  UINT SetSummaryProperty(MSIHANDLE handle, UINT property, UINT type, int32_t integer, platform::FILETIME* time,
                          LPCSTR value) {
    auto summary = handles_.Get<SummaryObject>(handle);
    if (!summary) return msi::kErrorInvalidHandle;
    if (property > kLastSummaryProperty) return msi::kErrorUnknownProperty;
    if (type != ExpectedType(property)) return msi::kErrorDatatypeMismatch;
    if (summary->update_count == 0 || summary->database->ReadOnly()) return msi::kErrorFunctionFailed;
    try {
      switch (type) {
        case msi::kVtLpstr:
          if (value == nullptr) return msi::kErrorInvalidParameter;
          summary->database->SetSummaryString(property, value);
          break;
        case msi::kVtFiletime:
          if (time == nullptr) return msi::kErrorInvalidParameter;
          summary->database->SetSummaryTime(property,
                                            (uint64_t{time->dwHighDateTime} << 32) | time->dwLowDateTime);
          break;
        default:
          summary->database->SetSummaryInteger(property, integer);
          break;
      }
    } catch (const PackageError& error) {
      return error.code();
    }
    return msi::kSuccess;
  }

  UINT PersistSummary(MSIHANDLE handle) {
    auto summary = handles_.Get<SummaryObject>(handle);
    if (!summary) return msi::kErrorInvalidHandle;
    if (summary->update_count == 0 || summary->database->ReadOnly()) return msi::kErrorFunctionFailed;
    try {
      summary->database->PersistSummary();
      if (summary->own_database) summary->database->Commit();
    } catch (const PackageError& error) {
      return error.code();
    }
    return msi::kSuccess;
  }

  UINT CloseHandle(MSIHANDLE handle) {
    if (handle == 0) return msi::kSuccess;
    return handles_.Close(handle) ? msi::kSuccess : msi::kErrorInvalidHandle;
  }

 private:
  // The type each property takes (the dictionary and the thumbnail are not offered).
  static std::optional<UINT> ExpectedType(UINT property) {
    switch (property) {
      case 0: case 17: return std::nullopt;
      case 1: return msi::kVtI2;
      case 14: case 15: case 16: case 19: return msi::kVtI4;
      case 10: case 11: case 12: case 13: return msi::kVtFiletime;
      default: return msi::kVtLpstr;
    }
  }

  static void Reset(ViewObject& view) {
    view.executed = false;
    ++view.run;
    view.result = {};
    view.next = 0;
    view.table.clear();
    view.key_columns.clear();
    view.keys.clear();
  }

  // Reads the primary keys of the view's rows (see the header); a view without them keeps
  // none and its rows cannot be written back.
  static void ReadKeys(ViewObject& view, const std::vector<Field>& bound) {
    std::optional<KeySource> source = KeySourceOf(view.sql);
    if (!source) return;
    try {
      std::vector<std::string> key_columns = view.database->PrimaryKeys(source->table);
      std::string sql = "SELECT ";
      for (size_t i = 0; i < key_columns.size(); ++i) sql += (i ? ", " : "") + Quoted(key_columns[i]);
      sql += " FROM " + Quoted(source->table) + source->rest;
      std::vector<Row> keys = view.database->Query(sql, bound).rows;
      if (keys.size() != view.result.rows.size()) return;
      view.table = source->table;
      view.key_columns = std::move(key_columns);
      view.keys = std::move(keys);
    } catch (const PackageError&) {
      // No keys: updates of this view fail.
    }
  }

  // A record field as the column wants it: integer columns take integers or decimal text.
  static Field Coerce(const Field& field, const Column& column) {
    if (field.kind == Field::Kind::kNull) return field;
    if (column.IsInteger()) {
      if (field.kind == Field::Kind::kInteger) return field;
      Row one{{field}};
      int32_t value = one.Integer(0, msi::kNullInteger);
      if (value == msi::kNullInteger) throw PackageError("not a number: " + field.text, msi::kErrorDatatypeMismatch);
      return Field{Field::Kind::kInteger, value, ""};
    }
    if (field.kind == Field::Kind::kInteger) return Field{Field::Kind::kString, 0, std::to_string(field.integer)};
    return field;
  }

  // The key row of a record fetched from this view's current run.
  static const Row& KeysOf(const ViewObject& view, const RecordObject& record) {
    if (record.view != &view || record.run != view.run || view.key_columns.empty() ||
        record.index >= view.keys.size())
      throw PackageError("the record was not fetched from this view", msi::kErrorFunctionFailed);
    return view.keys[record.index];
  }

  static std::string KeyCondition(const ViewObject& view, const Row& keys, std::vector<Field>& parameters) {
    std::string where;
    for (size_t i = 0; i < view.key_columns.size(); ++i) {
      where += (i ? " AND " : " WHERE ") + Quoted(view.key_columns[i]) + "=?";
      parameters.push_back(keys.fields[i]);
    }
    return where;
  }

  static UINT Update(ViewObject& view, RecordObject& record) {
    const Row& keys = KeysOf(view, record);
    const std::vector<Column>& columns = view.result.columns;
    std::string set;
    std::vector<Field> parameters;
    for (size_t i = 0; i < columns.size(); ++i) {
      const Column& column = columns[i];
      if (column.IsStream()) continue;
      Field value = Coerce(record.row.fields[i + 1], column);
      bool is_key = false;
      for (size_t k = 0; k < view.key_columns.size(); ++k) {
        if (view.key_columns[k] != column.name) continue;
        is_key = true;
        // The installer refuses an update that changes a primary key.
        Row given{{value}}, stored{{keys.fields[k]}};
        if (given.Text(0) != stored.Text(0))
          throw PackageError("an update may not change the key " + column.name, msi::kErrorFunctionFailed);
      }
      if (is_key) continue;
      set += (set.empty() ? " SET " : ", ") + Quoted(column.name) + "=?";
      parameters.push_back(value);
    }
    if (set.empty()) return msi::kSuccess;
    std::string sql = "UPDATE " + Quoted(view.table) + set + KeyCondition(view, keys, parameters);
    view.database->Query(sql, parameters);
    Row& cached = view.result.rows[record.index];
    for (size_t i = 0; i < columns.size() && i < cached.fields.size(); ++i)
      if (!columns[i].IsStream()) cached.fields[i] = record.row.fields[i + 1];
    return msi::kSuccess;
  }

  static UINT Insert(ViewObject& view, RecordObject& record) {
    if (view.key_columns.empty()) return msi::kErrorFunctionFailed;
    const std::vector<Column>& columns = view.result.columns;
    std::string names, markers;
    std::vector<Field> parameters;
    for (size_t i = 0; i < columns.size(); ++i) {
      if (columns[i].IsStream()) continue;
      names += (names.empty() ? "" : ", ") + Quoted(columns[i].name);
      markers += markers.empty() ? "?" : ", ?";
      parameters.push_back(Coerce(record.row.fields[i + 1], columns[i]));
    }
    view.database->Query("INSERT INTO " + Quoted(view.table) + " (" + names + ") VALUES (" + markers + ")",
                         parameters);
    return msi::kSuccess;
  }

  static UINT Delete(ViewObject& view, RecordObject& record) {
    const Row& keys = KeysOf(view, record);
    std::vector<Field> parameters;
    view.database->Query("DELETE FROM " + Quoted(view.table) + KeyCondition(view, keys, parameters), parameters);
    return msi::kSuccess;
  }

  HandleTable& handles_;
  const PathMap& paths_;
};

}  // namespace

void FillDatabaseFunctions(platform::InstallerFunctions& table, HandleTable& handles, const PathMap& paths) {
  auto functions = std::make_shared<DatabaseFunctions>(handles, paths);
  table.MsiOpenDatabaseA = [functions](LPCSTR path, LPCSTR persist, MSIHANDLE* database) {
    return functions->OpenDatabase(path, persist, database);
  };
  table.MsiDatabaseOpenViewA = [functions](MSIHANDLE database, LPCSTR query, MSIHANDLE* view) {
    return functions->OpenView(database, query, view);
  };
  table.MsiViewExecute = [functions](MSIHANDLE view, MSIHANDLE parameters) {
    return functions->Execute(view, parameters);
  };
  table.MsiViewFetch = [functions](MSIHANDLE view, MSIHANDLE* record) { return functions->Fetch(view, record); };
  table.MsiViewModify = [functions](MSIHANDLE view, int32_t mode, MSIHANDLE record) {
    return functions->Modify(view, mode, record);
  };
  table.MsiViewClose = [functions](MSIHANDLE view) { return functions->CloseView(view); };
  table.MsiDatabaseCommit = [functions](MSIHANDLE database) { return functions->Commit(database); };
  table.MsiCreateRecord = [functions](UINT fields) { return functions->CreateRecord(fields); };
  table.MsiRecordGetFieldCount = [functions](MSIHANDLE record) { return functions->FieldCount(record); };
  table.MsiRecordGetStringA = [functions](MSIHANDLE record, UINT field, LPSTR buffer, DWORD* size) {
    return functions->GetString(record, field, buffer, size);
  };
  table.MsiRecordGetInteger = [functions](MSIHANDLE record, UINT field) {
    return functions->GetInteger(record, field);
  };
  table.MsiRecordSetStringA = [functions](MSIHANDLE record, UINT field, LPCSTR value) {
    return functions->SetString(record, field, value);
  };
  table.MsiRecordSetInteger = [functions](MSIHANDLE record, UINT field, int32_t value) {
    return functions->SetInteger(record, field, value);
  };
  table.MsiGetSummaryInformationA = [functions](MSIHANDLE database, LPCSTR path, UINT update_count,
                                                MSIHANDLE* summary) {
    return functions->GetSummary(database, path, update_count, summary);
  };
  table.MsiSummaryInfoGetPropertyA = [functions](MSIHANDLE summary, UINT property, UINT* type, int32_t* integer,
                                                 platform::FILETIME* time, LPSTR buffer, DWORD* size) {
    return functions->GetSummaryProperty(summary, property, type, integer, time, buffer, size);
  };
  table.MsiSummaryInfoSetPropertyA = [functions](MSIHANDLE summary, UINT property, UINT type, int32_t integer,
                                                 platform::FILETIME* time, LPCSTR value) {
    return functions->SetSummaryProperty(summary, property, type, integer, time, value);
  };
  table.MsiSummaryInfoPersist = [functions](MSIHANDLE summary) { return functions->PersistSummary(summary); };
  table.MsiCloseHandle = [functions](MSIHANDLE any) { return functions->CloseHandle(any); };
}

}  // namespace quillset::platform::posix::installer
