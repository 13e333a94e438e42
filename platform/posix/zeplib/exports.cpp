// The four exports of zep.lib. Listings and the last error belong to the calling thread: the
// engine lists, reads and closes on one thread, and asks for the error right after a failure.
#include <cstdlib>
#include <filesystem>
#include <map>
#include <type_traits>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/archive_library.h"
#include "platform/posix/paths/path_map.h"
#include "platform/posix/zeplib/archive.h"
#include "platform/posix/zeplib/extraction.h"
#include "platform/posix/zeplib/plugin.h"

namespace quillset::zeplib {

namespace {

struct Listing {
  std::vector<std::string> names;
  std::vector<ZepArchiveEntry> entries;
};

class ThreadState {
 public:
  int32_t last_error = 0;
  std::map<int32_t, std::unique_ptr<Listing>> listings;
  int32_t next_handle = 1;

  // The plugin, loaded once per thread; nullptr when it cannot be loaded.
  const Plugin* plugin() {
    if (!plugin_) {
      std::string error;
      plugin_ = Plugin::Load(error);
    }
    return plugin_.get();
  }

 private:
  std::unique_ptr<Plugin> plugin_;
};

// The C exports carry no context, so the state of the calling thread is the context.
thread_local ThreadState t_state;

std::optional<std::string> HostPath(const char* windows_path) {
  if (!windows_path) return std::nullopt;
  const char* prefix = std::getenv("QUILLSET_PREFIX");
  std::error_code error;
  std::filesystem::path current = std::filesystem::current_path(error);
  return platform::posix::PathMap(prefix ? prefix : "", error ? std::string("/") : current.string())
      .ToHost(windows_path);
}

// Runs one export: its code on failure becomes the thread's last error.
template <typename Body>
int32_t Run(Body body) {
  int32_t code;
  try {
    code = body();
  } catch (...) {
    // Nothing may unwind into the caller, which is not C++.
    code = ZEP_ERROR_GENERAL;
  }
  if (code != 0) t_state.last_error = code;
  return code;
}

int32_t OpenListing(const char* archive_path, ZepPasswordCallback password_callback, const char* password,
                    ZepArchiveEntry** entries, int32_t* count, int32_t& handle) {
  if (!entries || !count) return ZEP_ERROR_GENERAL;
  const Plugin* plugin = t_state.plugin();
  if (!plugin) return ZEP_ERROR_PLUGIN;
  auto host = HostPath(archive_path);
  if (!host) return ZEP_ERROR_NOT_FOUND;
  PasswordSource source(password_callback, password);
  int32_t code = 0;
  auto archive = Archive::Open(*plugin, *host, source, code);
  if (!archive) return code;
  auto listing = std::make_unique<Listing>();
  listing->names.reserve(archive->count());
  listing->entries.reserve(archive->count());
  for (uint32_t index = 0; index < archive->count(); ++index) {
    ItemInfo item = archive->Item(index);
    ZepArchiveEntry entry{};
    entry.attributes = item.attributes | (item.is_directory ? 0x10 : 0);
    entry.size = static_cast<int64_t>(item.size);
    entry.packed_size = static_cast<int64_t>(item.packed_size);
    entry.crc = item.crc;
    entry.filetime = item.filetime;
    entry.encrypted = item.encrypted ? 1 : 0;
    entry.index = static_cast<int32_t>(index);
    listing->names.push_back(std::move(item.name));
    listing->entries.push_back(entry);
  }
  // The names are in place now: their buffers no longer move.
  for (size_t i = 0; i < listing->entries.size(); ++i) listing->entries[i].name = listing->names[i].c_str();
  *entries = listing->entries.data();
  *count = static_cast<int32_t>(listing->entries.size());
  handle = t_state.next_handle++;
  t_state.listings[handle] = std::move(listing);
  return 0;
}

int32_t ExtractSelection(const char* archive_path, const char* target_folder, const TSZW_TARGETFILES* target_files,
                         int32_t folder_flag, const char* password, ZepPasswordCallback password_callback,
                         ExtractionRequest& request) {
  if (!target_files || target_files->count < 0 || (target_files->count > 0 && !target_files->files))
    return ZEP_ERROR_ILLEGAL_PATH;
  const Plugin* plugin = t_state.plugin();
  if (!plugin) return ZEP_ERROR_PLUGIN;
  auto archive_host = HostPath(archive_path);
  if (!archive_host) return ZEP_ERROR_NOT_FOUND;
  auto target_host = HostPath(target_folder);
  if (!target_host) return ZEP_ERROR_WRITE;
  PasswordSource source(password_callback, password);
  int32_t code = 0;
  auto archive = Archive::Open(*plugin, *archive_host, source, code);
  if (!archive) return code;

  std::unordered_map<std::string, uint32_t> by_name;
  for (uint32_t index = 0; index < archive->count(); ++index) by_name.emplace(archive->Name(index), index);
  std::vector<bool> chosen(archive->count());
  for (int32_t i = 0; i < target_files->count; ++i) {
    const char* name = target_files->files[i];
    if (!name) return ZEP_ERROR_ILLEGAL_PATH;
    auto found = by_name.find(name);
    if (found != by_name.end()) chosen[found->second] = true;
  }
  for (uint32_t index = 0; index < archive->count(); ++index)
    if (chosen[index]) request.indices.push_back(index);
  request.flat = folder_flag == 1;

  auto folder = TargetFolder::Open(*target_host);
  if (!folder) return ZEP_ERROR_WRITE;
  return Extract(*archive, *folder, source, request);
}

}  // namespace

}  // namespace quillset::zeplib

using namespace quillset::zeplib;

// Everything else is hidden (and the version script keeps it so).
extern "C" {

[[gnu::visibility("default")]] int32_t OpenListArchive(const char* archive_path, int32_t, ZepPasswordCallback password_callback, int32_t,
                        int32_t, int32_t, const char* password, ZepArchiveEntry** entries, int32_t* count) {
  int32_t handle = 0;
  Run([&] { return OpenListing(archive_path, password_callback, password, entries, count, handle); });
  return handle;
}

[[gnu::visibility("default")]] int32_t CloseListArchive(int32_t handle) {
  return Run([&] { return t_state.listings.erase(handle) == 1 ? 0 : ZEP_ERROR_BAD_HANDLE; }) == 0 ? 1 : 0;
}

[[gnu::visibility("default")]] int32_t GetLastArchiveError(void) { return t_state.last_error; }

[[gnu::visibility("default")]] int32_t ExtractArchive(const char* archive_path, int32_t, const char* target_folder, TSZW_TARGETFILES* target_files,
                       int32_t folder_flag, const char* password, ZepPasswordCallback password_callback,
                       ZepProgressCallback progress_callback, ZepSecondCallback second_callback,
                       ZepOverwriteCallback overwrite_callback) {
  return Run([&] {
           ExtractionRequest request;
           request.progress = progress_callback;
           request.item_done = second_callback;
           request.overwrite = overwrite_callback;
           return ExtractSelection(archive_path, target_folder, target_files, folder_flag, password,
                                   password_callback, request);
         }) == 0
             ? 1
             : 0;
}

}  // extern "C"

static_assert(std::is_same_v<decltype(&OpenListArchive), ZepOpenListArchive>);
static_assert(std::is_same_v<decltype(&CloseListArchive), ZepCloseListArchive>);
static_assert(std::is_same_v<decltype(&GetLastArchiveError), ZepGetLastArchiveError>);
static_assert(std::is_same_v<decltype(&ExtractArchive), ZepExtractArchive>);
