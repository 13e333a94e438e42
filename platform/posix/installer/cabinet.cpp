#include "platform/posix/installer/cabinet.h"

#include <gio/gio.h>
#include <libgcab.h>

#include <exception>
#include <memory>

#include "platform/posix/installer/database/package_database.h"

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

void Extract(GInputStream* input, const std::string& name, const std::string& folder_host_path,
             const CabinetEntryCallback& entry) {
  GError* error = nullptr;
  GPtr<GCabCabinet> cabinet(gcab_cabinet_new());
  if (!gcab_cabinet_load(cabinet.get(), input, nullptr, &error))
    throw CabinetError("cannot read the cabinet " + name + ": " + Message(error));
  GPtr<GFile> folder(g_file_new_for_path(folder_host_path.c_str()));
  GPtr<GCancellable> cancellable(g_cancellable_new());
  ExtractState state{&entry, cancellable.get(), nullptr};
  gboolean done = gcab_cabinet_extract_simple(cabinet.get(), folder.get(), OnEntry, &state, cancellable.get(), &error);
  if (state.failure) {
    if (error) g_error_free(error);
    std::rethrow_exception(state.failure);
  }
  if (!done) throw CabinetError("cannot extract the cabinet " + name + ": " + Message(error));
}

}  // namespace

void ExtractCabinet(const std::string& cabinet_host_path, const std::string& folder_host_path,
                    const CabinetEntryCallback& entry) {
  GError* error = nullptr;
  GPtr<GFile> file(g_file_new_for_path(cabinet_host_path.c_str()));
  GPtr<GInputStream> input(G_INPUT_STREAM(g_file_read(file.get(), nullptr, &error)));
  if (!input) throw CabinetError("cannot open the cabinet " + cabinet_host_path + ": " + Message(error));
  Extract(input.get(), cabinet_host_path, folder_host_path, entry);
}

void ExtractCabinet(PackageStream& cabinet, const std::string& name, const std::string& folder_host_path,
                    const CabinetEntryCallback& entry) {
  Extract(cabinet.input(), name, folder_host_path, entry);
}

}  // namespace quillset::platform::posix::installer
