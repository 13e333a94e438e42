#include "platform/posix/installer/cabinet.h"

#include <gio/gio.h>
#include <libgcab.h>
#include <libmsi.h>

#include <exception>
#include <memory>

namespace quillset::platform::posix::installer {

namespace {

template <class T>
struct GObjectDeleter {
  void operator()(T* object) const {
    if (object) g_object_unref(object);
  }
};
template <class T>
using GPtr = std::unique_ptr<T, GObjectDeleter<T>>;

struct ExtractState {
  const CabinetEntryCallback* entry;
  GCancellable* cancellable;
  std::exception_ptr failure;
};

bool InsideFolder(const std::string& relative) {
  if (relative.empty() || relative.front() == '/' || relative.find('\\') != std::string::npos) return false;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t slash = relative.find('/', start);
    std::string part = relative.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (part.empty() || part == "." || part == "..") return false;
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return true;
}

gboolean OnEntry(GCabFile* file, gpointer data) {
  auto* state = static_cast<ExtractState*>(data);
  if (state->failure) return FALSE;
  try {
    auto name = (*state->entry)(gcab_file_get_name(file), gcab_file_get_size(file));
    if (!name) return FALSE;
    if (!InsideFolder(*name)) throw CabinetError("refused extraction path " + *name);
    gcab_file_set_extract_name(file, name->c_str());
    return TRUE;
  } catch (...) {
    state->failure = std::current_exception();
    g_cancellable_cancel(state->cancellable);
    return FALSE;
  }
}

std::string Message(GError* error) {
  std::string text = error ? error->message : "unknown error";
  if (error) g_error_free(error);
  return text;
}

// An open cabinet stream with what it is read from, all kept until the extraction is done.
struct OpenCabinet {
  GPtr<LibmsiDatabase> database;
  GPtr<LibmsiQuery> query;
  GPtr<LibmsiRecord> row;
  GPtr<GInputStream> stream;
};

// A cabinet file, or an embedded cabinet read where it lies in the package (no copy first).
OpenCabinet OpenStream(const CabinetSource& source) {
  GError* error = nullptr;
  const std::string name = source.host_path + (source.stream.empty() ? "" : ":" + source.stream);
  OpenCabinet open;
  if (source.stream.empty()) {
    GPtr<GFile> file(g_file_new_for_path(source.host_path.c_str()));
    open.stream.reset(G_INPUT_STREAM(g_file_read(file.get(), nullptr, &error)));
    if (!open.stream) throw CabinetError("cannot open the cabinet " + name + ": " + Message(error));
    return open;
  }
  open.database.reset(libmsi_database_new(source.host_path.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, &error));
  if (!open.database) throw CabinetError("cannot open the package " + source.host_path + ": " + Message(error));
  open.query.reset(libmsi_query_new(open.database.get(), "SELECT `Data` FROM `_Streams` WHERE `Name` = ?", &error));
  if (!open.query) throw CabinetError("cannot read the streams of " + source.host_path + ": " + Message(error));
  GPtr<LibmsiRecord> parameters(libmsi_record_new(1));
  libmsi_record_set_string(parameters.get(), 1, source.stream.c_str());
  if (!libmsi_query_execute(open.query.get(), parameters.get(), &error))
    throw CabinetError("cannot read the streams of " + source.host_path + ": " + Message(error));
  open.row.reset(libmsi_query_fetch(open.query.get(), &error));
  if (!open.row) throw CabinetError("the cabinet " + name + " is missing: " + Message(error));
  open.stream.reset(libmsi_record_get_stream(open.row.get(), 1));
  if (!open.stream) throw CabinetError("cannot open the cabinet " + name);
  return open;
}

}  // namespace

bool PackageHasStream(const std::string& package_host_path, const std::string& stream) {
  try {
    OpenStream({package_host_path, stream});
    return true;
  } catch (const CabinetError&) {
    return false;
  }
}

void ExtractCabinet(const CabinetSource& source, const std::string& folder_host_path, const CabinetEntryCallback& entry) {
  OpenCabinet open = OpenStream(source);
  GError* error = nullptr;
  const std::string cabinet_host_path = source.host_path + (source.stream.empty() ? "" : ":" + source.stream);
  GPtr<GCabCabinet> cabinet(gcab_cabinet_new());
  if (!gcab_cabinet_load(cabinet.get(), open.stream.get(), nullptr, &error))
    throw CabinetError("cannot read the cabinet " + cabinet_host_path + ": " + Message(error));
  GPtr<GFile> folder(g_file_new_for_path(folder_host_path.c_str()));
  GPtr<GCancellable> cancellable(g_cancellable_new());
  ExtractState state{&entry, cancellable.get(), nullptr};
  gboolean done = gcab_cabinet_extract_simple(cabinet.get(), folder.get(), OnEntry, &state, cancellable.get(), &error);
  if (state.failure) {
    if (error) g_error_free(error);
    std::rethrow_exception(state.failure);
  }
  if (!done) throw CabinetError("cannot extract the cabinet " + cabinet_host_path + ": " + Message(error));
}

}  // namespace quillset::platform::posix::installer
