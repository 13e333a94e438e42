// PackageDatabase over libmsi. libmsi trusts its callers more than the installer's callers
// may be trusted: it reads past a parameter record that is shorter than the statement's
// markers, and answers nonsense to column and row requests on statements that are no SELECT.
// The checks here keep every such request away from it. It also trusts its files: some damaged
// packages make it dereference null while opening them, so a child process reads each package
// before this process first opens it, and a package that ends the child is refused. And a
// writable database that goes without a commit takes its output file with it: so its output
// is a file beside the package, renamed over the package at each commit.
#include "platform/posix/installer/database/package_database.h"

#include <libmsi.h>
#include <signal.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace quillset::platform::posix::installer {

namespace {

constexpr uint32_t kBadQuerySyntax = 1615;
constexpr uint32_t kFunctionFailed = 1627;
constexpr uint32_t kInvalidTable = 1628;
constexpr uint32_t kDatatypeMismatch = 1629;
constexpr uint32_t kInvalidParameter = 87;
constexpr uint32_t kOpenFailed = 1619;
constexpr uint32_t kInvalidData = 13;

// libmsi reports its failures as GErrors of its result domain; the installer's codes for them.
uint32_t CodeOf(const GError* error) {
  if (error == nullptr || error->domain != libmsi_result_error_quark()) return kFunctionFailed;
  switch (error->code) {
    case LIBMSI_RESULT_BAD_QUERY_SYNTAX: return kBadQuerySyntax;
    case LIBMSI_RESULT_INVALID_TABLE: return kInvalidTable;
    case LIBMSI_RESULT_DATATYPE_MISMATCH:
    case LIBMSI_RESULT_INVALID_DATATYPE: return kDatatypeMismatch;
    case LIBMSI_RESULT_INVALID_PARAMETER: return kInvalidParameter;
    case LIBMSI_RESULT_INVALID_DATA: return kInvalidData;
    default: return kFunctionFailed;
  }
}

[[noreturn]] void Fail(const std::string& what, GError* error, uint32_t fallback = kFunctionFailed) {
  std::string message = what;
  uint32_t code = error ? CodeOf(error) : fallback;
  if (error) {
    message += ": ";
    message += error->message;
    g_error_free(error);
  }
  throw PackageError(message, code);
}

// Some libmsi calls leave their result unset when they fail: only the error tells.
template <class T>
T* Trusted(T* result, GError* const& error) {
  return error ? nullptr : result;
}

template <class T>
struct Unref {
  void operator()(T* object) const { g_object_unref(object); }
};
template <class T>
using GPtr = std::unique_ptr<T, Unref<T>>;

struct GFree {
  void operator()(gchar* text) const { g_free(text); }
};

std::string TakeString(gchar* text) {
  std::unique_ptr<gchar, GFree> owned(text);
  return owned ? std::string(owned.get()) : std::string();
}

// The first word of a statement, upper-cased.
std::string Verb(const std::string& sql) {
  size_t begin = 0;
  while (begin < sql.size() && std::isspace(static_cast<unsigned char>(sql[begin]))) ++begin;
  std::string verb;
  for (size_t i = begin; i < sql.size() && std::isalpha(static_cast<unsigned char>(sql[i])); ++i)
    verb += static_cast<char>(std::toupper(static_cast<unsigned char>(sql[i])));
  return verb;
}

// The "?" markers outside quoted names and literals.
size_t CountMarkers(const std::string& sql) {
  size_t markers = 0;
  char quote = 0;
  for (char c : sql) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '`') {
      quote = c;
    } else if (c == '?') {
      ++markers;
    }
  }
  return markers;
}

// The query and row a stream was read through stay with it until it is read.
struct LibmsiStream : PackageStream {
  ~LibmsiStream() override {
    if (query) libmsi_query_close(query.get(), nullptr);
  }
  GInputStream* input() override { return data.get(); }
  GPtr<LibmsiQuery> query;
  GPtr<LibmsiRecord> row;
  GPtr<GInputStream> data;
};

class LibmsiPackage : public PackageDatabase {
 public:
  LibmsiPackage(LibmsiDatabase* database, Mode mode, std::string host_path = "", std::string output_path = "")
      : database_(database), mode_(mode), host_path_(std::move(host_path)), output_path_(std::move(output_path)) {}

  bool HasTable(const std::string& table) override {
    Field name{Field::Kind::kString, 0, table};
    return !Query("SELECT `Name` FROM `_Tables` WHERE `Name`=?", {name}).rows.empty();
  }

  std::vector<Row> Select(const std::string& sql) override {
    if (Verb(sql) != "SELECT") throw PackageError("not a SELECT: " + sql, kBadQuerySyntax);
    return Query(sql, {}).rows;
  }

  void Execute(const std::string& sql) override {
    if (Verb(sql) == "SELECT") throw PackageError("a SELECT returns rows: " + sql, kBadQuerySyntax);
    Query(sql, {});
  }

  QueryResult Query(const std::string& sql, const std::vector<Field>& parameters) override {
    const std::string verb = Verb(sql);
    const bool select = verb == "SELECT";
    if (!select && mode_ == Mode::kReadOnly)
      throw PackageError("the package is open read-only: " + sql, kFunctionFailed);
    const size_t markers = CountMarkers(sql);
    if (parameters.size() < markers)
      throw PackageError("the statement has more parameters than given: " + sql, kInvalidParameter);

    GError* error = nullptr;
    GPtr<LibmsiQuery> query(Trusted(libmsi_query_new(database_.get(), sql.c_str(), &error), error));
    if (!query) Fail("bad query " + sql, error, kBadQuerySyntax);
    GPtr<LibmsiRecord> bound;
    if (markers > 0) {
      bound.reset(libmsi_record_new(static_cast<guint>(markers)));
      for (size_t i = 0; i < markers; ++i) {
        const Field& field = parameters[i];
        const guint number = static_cast<guint>(i + 1);
        if (field.kind == Field::Kind::kInteger)
          libmsi_record_set_int(bound.get(), number, field.integer);
        else if (field.kind == Field::Kind::kString)
          libmsi_record_set_string(bound.get(), number, field.text.c_str());
      }
    }
    if (!libmsi_query_execute(query.get(), bound.get(), &error)) Fail("statement failed " + sql, error);

    QueryResult result;
    if (select) {
      result.columns = Columns(query.get(), sql);
      while (true) {
        GPtr<LibmsiRecord> record(Trusted(libmsi_query_fetch(query.get(), &error), error));
        if (!record) break;
        result.rows.push_back(RowOf(record.get(), result.columns));
      }
      // The end of the rows comes without an error.
      if (error) Fail("reading the rows of " + sql, error);
    }
    libmsi_query_close(query.get(), nullptr);
    return result;
  }

  std::vector<std::string> Tables() override {
    std::vector<std::string> tables;
    for (const Row& row : Query("SELECT `Name` FROM `_Tables`", {}).rows) tables.push_back(row.Text(0));
    return tables;
  }

  std::vector<std::string> PrimaryKeys(const std::string& table) override {
    if (!HasTable(table)) throw PackageError("no table " + table, kInvalidTable);
    GError* error = nullptr;
    GPtr<LibmsiRecord> keys(Trusted(libmsi_database_get_primary_keys(database_.get(), table.c_str(), &error), error));
    if (!keys) Fail("no primary keys for " + table, error, kInvalidTable);
    std::vector<std::string> names;
    const guint count = libmsi_record_get_field_count(keys.get());
    for (guint i = 1; i <= count; ++i) names.push_back(TakeString(libmsi_record_get_string(keys.get(), i)));
    return names;
  }

  bool ReadOnly() const override { return mode_ == Mode::kReadOnly; }

  void Check(const std::string& sql) override {
    GError* error = nullptr;
    GPtr<LibmsiQuery> query(Trusted(libmsi_query_new(database_.get(), sql.c_str(), &error), error));
    if (!query) Fail("bad query " + sql, error, kBadQuerySyntax);
  }

  bool ExtractStream(const std::string& name, const std::string& host_path) override {
    std::unique_ptr<PackageStream> stream = OpenStream(name);
    if (!stream) return false;
    std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(host_path.c_str(), "wb"), &std::fclose);
    if (!out) throw PackageError("cannot write " + host_path);
    std::vector<char> buffer(1 << 20);
    while (true) {
      GError* error = nullptr;
      gssize got = g_input_stream_read(stream->input(), buffer.data(), buffer.size(), nullptr, &error);
      if (got < 0) Fail("reading the stream " + name, error);
      if (got == 0) break;
      if (std::fwrite(buffer.data(), 1, static_cast<size_t>(got), out.get()) != static_cast<size_t>(got))
        throw PackageError("cannot write " + host_path);
    }
    if (std::fclose(out.release()) != 0) throw PackageError("cannot write " + host_path);
    return true;
  }

  std::unique_ptr<PackageStream> OpenStream(const std::string& name) override {
    const char* sql = "SELECT `Data` FROM `_Streams` WHERE `Name`=?";
    GError* error = nullptr;
    auto stream = std::make_unique<LibmsiStream>();
    stream->query.reset(Trusted(libmsi_query_new(database_.get(), sql, &error), error));
    if (!stream->query) Fail("cannot read the streams", error);
    GPtr<LibmsiRecord> parameter(libmsi_record_new(1));
    libmsi_record_set_string(parameter.get(), 1, name.c_str());
    if (!libmsi_query_execute(stream->query.get(), parameter.get(), &error)) Fail("cannot read the streams", error);
    stream->row.reset(Trusted(libmsi_query_fetch(stream->query.get(), &error), error));
    if (error) g_error_free(error);
    if (!stream->row) return nullptr;
    stream->data.reset(libmsi_record_get_stream(stream->row.get(), 1));
    if (!stream->data) throw PackageError("the stream " + name + " cannot be read");
    return stream;
  }

  std::optional<std::string> SummaryString(uint32_t property) override {
    LibmsiSummaryInfo* summary = Summary();
    if (TypeOf(summary, property) != LIBMSI_PROPERTY_TYPE_STRING) return std::nullopt;
    GError* error = nullptr;
    const gchar* value = libmsi_summary_info_get_string(summary, static_cast<LibmsiProperty>(property), &error);
    if (error) g_error_free(error);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  }

  std::optional<int32_t> SummaryInteger(uint32_t property) override {
    LibmsiSummaryInfo* summary = Summary();
    if (TypeOf(summary, property) != LIBMSI_PROPERTY_TYPE_INT) return std::nullopt;
    GError* error = nullptr;
    gint value = libmsi_summary_info_get_int(summary, static_cast<LibmsiProperty>(property), &error);
    if (error) {
      g_error_free(error);
      return std::nullopt;
    }
    return value;
  }

  std::optional<uint64_t> SummaryTime(uint32_t property) override {
    LibmsiSummaryInfo* summary = Summary();
    if (TypeOf(summary, property) != LIBMSI_PROPERTY_TYPE_FILETIME) return std::nullopt;
    GError* error = nullptr;
    guint64 value = libmsi_summary_info_get_filetime(summary, static_cast<LibmsiProperty>(property), &error);
    if (error) {
      g_error_free(error);
      return std::nullopt;
    }
    return value;
  }

  void SetSummaryTime(uint32_t property, uint64_t value) override {
    LibmsiSummaryInfo* summary = WritableSummary(property);
    GError* error = nullptr;
    if (!libmsi_summary_info_set_filetime(summary, static_cast<LibmsiProperty>(property), value, &error))
      Fail("cannot set summary property " + std::to_string(property), error, kDatatypeMismatch);
  }

  void SetSummaryString(uint32_t property, const std::string& value) override {
    LibmsiSummaryInfo* summary = WritableSummary(property);
    GError* error = nullptr;
    if (!libmsi_summary_info_set_string(summary, static_cast<LibmsiProperty>(property), value.c_str(), &error))
      Fail("cannot set summary property " + std::to_string(property), error, kDatatypeMismatch);
  }

  void SetSummaryInteger(uint32_t property, int32_t value) override {
    LibmsiSummaryInfo* summary = WritableSummary(property);
    GError* error = nullptr;
    if (!libmsi_summary_info_set_int(summary, static_cast<LibmsiProperty>(property), value, &error))
      Fail("cannot set summary property " + std::to_string(property), error, kDatatypeMismatch);
  }

  void PersistSummary() override {
    if (mode_ == Mode::kReadOnly) throw PackageError("the package is open read-only", kFunctionFailed);
    GError* error = nullptr;
    if (!libmsi_summary_info_persist(Summary(), &error)) Fail("cannot write the summary information", error);
  }

  void Commit() override {
    // Windows answers success for a read-only database and writes nothing.
    if (mode_ == Mode::kReadOnly) return;
    GError* error = nullptr;
    if (!libmsi_database_commit(database_.get(), &error)) Fail("cannot write the package", error);
    if (std::rename(output_path_.c_str(), host_path_.c_str()) != 0)
      throw PackageError("cannot replace the package " + host_path_ + ": " + std::strerror(errno), kFunctionFailed);
  }

 private:
  static std::vector<Column> Columns(LibmsiQuery* query, const std::string& sql) {
    GError* error = nullptr;
    GPtr<LibmsiRecord> names(Trusted(libmsi_query_get_column_info(query, LIBMSI_COL_INFO_NAMES, &error), error));
    if (!names) Fail("no columns for " + sql, error);
    GPtr<LibmsiRecord> types(Trusted(libmsi_query_get_column_info(query, LIBMSI_COL_INFO_TYPES, &error), error));
    if (!types) Fail("no columns for " + sql, error);
    std::vector<Column> columns;
    const guint count = libmsi_record_get_field_count(names.get());
    for (guint i = 1; i <= count; ++i)
      columns.push_back({TakeString(libmsi_record_get_string(names.get(), i)),
                         TakeString(libmsi_record_get_string(types.get(), i))});
    return columns;
  }

  static Row RowOf(LibmsiRecord* record, const std::vector<Column>& columns) {
    Row row;
    const guint count = libmsi_record_get_field_count(record);
    for (guint i = 1; i <= count; ++i) {
      Field field;
      const bool is_stream = i <= columns.size() && columns[i - 1].IsStream();
      if (!is_stream && !libmsi_record_is_null(record, i)) {
        if (i <= columns.size() && columns[i - 1].IsInteger()) {
          field.kind = Field::Kind::kInteger;
          field.integer = libmsi_record_get_int(record, i);
        } else {
          field.kind = Field::Kind::kString;
          field.text = TakeString(libmsi_record_get_string(record, i));
        }
      }
      row.fields.push_back(std::move(field));
    }
    return row;
  }

  static LibmsiPropertyType TypeOf(LibmsiSummaryInfo* summary, uint32_t property) {
    if (property > LIBMSI_PROPERTY_SECURITY) return LIBMSI_PROPERTY_TYPE_EMPTY;
    GError* error = nullptr;
    LibmsiPropertyType type =
        libmsi_summary_info_get_property_type(summary, static_cast<LibmsiProperty>(property), &error);
    if (error) {
      g_error_free(error);
      return LIBMSI_PROPERTY_TYPE_EMPTY;
    }
    return type;
  }

  LibmsiSummaryInfo* Summary() {
    if (!summary_) {
      GError* error = nullptr;
      // Room for every property: the update count bounds how many a writer may add.
      const unsigned update_count = mode_ == Mode::kReadOnly ? 0 : LIBMSI_PROPERTY_SECURITY + 1;
      summary_.reset(Trusted(libmsi_summary_info_new(database_.get(), update_count, &error), error));
      if (!summary_) Fail("cannot read the summary information", error);
    }
    return summary_.get();
  }

  LibmsiSummaryInfo* WritableSummary(uint32_t property) {
    if (mode_ == Mode::kReadOnly) throw PackageError("the package is open read-only", kFunctionFailed);
    if (property > LIBMSI_PROPERTY_SECURITY)
      throw PackageError("no summary property " + std::to_string(property), kDatatypeMismatch);
    return Summary();
  }

  GPtr<LibmsiDatabase> database_;
  Mode mode_;
  std::string host_path_;
  std::string output_path_;  // where a commit writes, before it replaces the package
  GPtr<LibmsiSummaryInfo> summary_;
};

// What the child does: everything a reader of the package may ask for, except stream data.
void ReadEverything(const std::string& host_path) {
  GError* error = nullptr;
  LibmsiDatabase* raw = libmsi_database_new(host_path.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, &error);
  if (error || raw == nullptr) return;
  LibmsiPackage package(raw, PackageDatabase::Mode::kReadOnly);
  try {
    for (const std::string& table : package.Tables()) {
      try {
        package.PrimaryKeys(table);
        package.Select("SELECT * FROM `" + table + "`");
      } catch (const PackageError&) {
      }
    }
    for (uint32_t property = 0; property <= LIBMSI_PROPERTY_SECURITY; ++property) {
      package.SummaryString(property);
      package.SummaryInteger(property);
      package.SummaryTime(property);
    }
  } catch (const PackageError&) {
  }
}

void LeaveAtOnce(int) { _exit(70); }

enum class ChildVerdict { kRead, kDied, kUnchecked };

// Whether a child process read the package without dying; kUnchecked when no child can be
// made, since the package may well be sound then.
ChildVerdict ChildReads(const std::string& host_path) {
  constexpr int kSeconds = 20;
  const pid_t child = fork();
  if (child < 0) return ChildVerdict::kUnchecked;
  if (child == 0) {
    // A fault ends the child quietly, before any sanitizer or fuzzer handler reports it.
    struct sigaction quit = {};
    quit.sa_handler = LeaveAtOnce;
    for (int signal_number : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaction(signal_number, &quit, nullptr);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, 2);  // the parent reports whatever libmsi says again
    ReadEverything(host_path);
    _exit(0);
  }
  int status = 0;
  // Small packages are read in well under a millisecond: the pauses start short and grow.
  useconds_t pause = 100;
  for (long waited = 0; waited < kSeconds * 1000000L; waited += pause) {
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ChildVerdict::kRead : ChildVerdict::kDied;
    if (done < 0) return ChildVerdict::kUnchecked;
    usleep(pause);
    if (pause < 5000) pause *= 2;
  }
  kill(child, SIGKILL);
  waitpid(child, &status, 0);
  return ChildVerdict::kDied;
}

// A package file as it was when a child read it.
struct FileState {
  dev_t device;
  ino_t inode;
  off_t size;
  nlink_t links;
  timespec modified;
  timespec changed;
};

bool Same(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

std::optional<FileState> StateOf(const std::string& host_path) {
  struct stat facts = {};
  if (stat(host_path.c_str(), &facts) != 0) return std::nullopt;
  return FileState{facts.st_dev, facts.st_ino, facts.st_size, facts.st_nlink, facts.st_mtim, facts.st_ctim};
}

// Whether the file holds the bytes it held when it was read. A link made or removed moves the
// change time on without touching a byte, and the installer keeps every package it installs
// as a hard link to it: so a file whose link count changed is still the one read, as long as
// its size and modification time did not change.
bool Unchanged(const FileState& read, const FileState& now) {
  if (read.device != now.device || read.inode != now.inode || read.size != now.size ||
      !Same(read.modified, now.modified))
    return false;
  return Same(read.changed, now.changed) || read.links != now.links;
}

// True unless a child died reading the package. An installation opens its package several
// times, and a process often opens one package again and again: a package read safely before
// is not read again while its file is unchanged. Only a file whose last change lies well
// before the check is remembered: a later change must move its times on, which a coarse file
// system clock might not do for a file changed just now (a fuzzer rewrites its input many
// times a second).
bool ChildReadsSafely(const std::string& host_path) {
  constexpr time_t kSettledSeconds = 2;
  static std::mutex mutex;
  static std::map<std::pair<dev_t, ino_t>, FileState> read_safely;
  timespec started = {};
  clock_gettime(CLOCK_REALTIME, &started);
  const std::optional<FileState> before = StateOf(host_path);
  if (!before) return ChildReads(host_path) != ChildVerdict::kDied;
  const std::pair<dev_t, ino_t> file{before->device, before->inode};
  {
    std::lock_guard lock(mutex);
    auto known = read_safely.find(file);
    if (known != read_safely.end()) {
      if (Unchanged(known->second, *before)) {
        known->second = *before;
        return true;
      }
      read_safely.erase(known);
    }
  }
  const ChildVerdict verdict = ChildReads(host_path);
  const std::optional<FileState> after = StateOf(host_path);
  auto settled = [&](const timespec& time) { return time.tv_sec + kSettledSeconds < started.tv_sec; };
  if (verdict == ChildVerdict::kRead && settled(before->modified) && settled(before->changed) && after &&
      Same(after->changed, before->changed)) {
    std::lock_guard lock(mutex);
    read_safely.insert_or_assign(file, *before);
  }
  return verdict != ChildVerdict::kDied;
}

}  // namespace

bool Row::IsNull(size_t index) const { return index >= fields.size() || fields[index].kind == Field::Kind::kNull; }

std::string Row::Text(size_t index) const {
  if (index >= fields.size()) return "";
  const Field& field = fields[index];
  switch (field.kind) {
    case Field::Kind::kInteger: return std::to_string(field.integer);
    case Field::Kind::kString: return field.text;
    case Field::Kind::kNull: break;
  }
  return "";
}

int32_t Row::Integer(size_t index, int32_t fallback) const {
  if (index >= fields.size()) return fallback;
  const Field& field = fields[index];
  if (field.kind == Field::Kind::kInteger) return field.integer;
  if (field.kind != Field::Kind::kString || field.text.empty()) return fallback;
  // A decimal number, optionally signed, that fits 32 bits.
  const std::string& text = field.text;
  size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (i == text.size()) return fallback;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return fallback;
    value = value * 10 + (text[i] - '0');
    if (value > int64_t{INT32_MAX} + 1) return fallback;
  }
  if (text[0] == '-') value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return fallback;
  return static_cast<int32_t>(value);
}

std::unique_ptr<PackageDatabase> PackageDatabase::Open(const std::string& host_path, Mode mode) {
  if (access(host_path.c_str(), R_OK) != 0) throw PackageError("cannot read the package " + host_path, kOpenFailed);
  if (!ChildReadsSafely(host_path))
    throw PackageError("the package " + host_path + " is damaged: reading it fails", kOpenFailed);
  GError* error = nullptr;
  const guint flags = mode == Mode::kReadOnly ? LIBMSI_DB_FLAGS_READONLY : 0;
  const std::string output_path = mode == Mode::kReadOnly ? "" : host_path + ".commit";
  LibmsiDatabase* database =
      libmsi_database_new(host_path.c_str(), flags, output_path.empty() ? nullptr : output_path.c_str(), &error);
  if (error) {
    // The result is not to be trusted then, not even for a release.
    std::string message = "cannot open the package " + host_path + ": " + error->message;
    g_error_free(error);
    throw PackageError(message, kOpenFailed);
  }
  if (database == nullptr) throw PackageError("cannot open the package " + host_path, kOpenFailed);
  return std::make_unique<LibmsiPackage>(database, mode, host_path, output_path);
}

}  // namespace quillset::platform::posix::installer
