#include "platform/posix/installer/cabinet.h"

#include <gio/gio.h>
#include <libgcab.h>

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

gboolean OnEntry(GCabFile* file, gpointer data) {
  auto* state = static_cast<ExtractState*>(data);
  if (state->failure) return FALSE;
  try {
    auto name = (*state->entry)(gcab_file_get_name(file), gcab_file_get_size(file));
    if (!name) return FALSE;
    if (name->empty() || name->find('/') != std::string::npos || name->find('\\') != std::string::npos ||
        *name == "." || *name == "..")
      throw CabinetError("refused extraction name " + *name);
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

}  // namespace

void ExtractCabinet(const std::string& cabinet_host_path, const std::string& folder_host_path,
                    const CabinetEntryCallback& entry) {
  GPtr<GFile> source(g_file_new_for_path(cabinet_host_path.c_str()));
  GError* error = nullptr;
  GPtr<GFileInputStream> stream(g_file_read(source.get(), nullptr, &error));
  if (!stream) throw CabinetError("cannot open the cabinet " + cabinet_host_path + ": " + Message(error));
  GPtr<GCabCabinet> cabinet(gcab_cabinet_new());
  if (!gcab_cabinet_load(cabinet.get(), G_INPUT_STREAM(stream.get()), nullptr, &error))
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
