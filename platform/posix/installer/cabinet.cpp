#include "platform/posix/installer/cabinet.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <libgcab.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

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

// The largest file decompressed into memory; a cabinet holding a larger one is written to disk
// by libgcab itself, file after file.
constexpr guint32 kLargestHeld = 16u << 20;
// How much decompressed data may wait for the writer before decompression pauses.
constexpr size_t kWaitingBytes = 32u << 20;

// Writes decompressed files on a thread of its own, so that writing one file and
// decompressing the next run side by side. Destroying it drops what still waits and returns
// once the file being written is done, so that nothing is written after a failure is
// reported.
class Writer {
 public:
  explicit Writer(std::string folder) : folder_(std::move(folder)), thread_([this] { Run(); }) {}
  ~Writer() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
      for (auto& [relative, bytes] : waiting_) g_bytes_unref(bytes);
      waiting_.clear();
    }
    changed_.notify_all();
    thread_.join();
  }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  // Takes the reference to bytes. Throws CabinetError when an earlier file could not be written.
  void Add(const std::string& relative, GBytes* bytes) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return waiting_bytes_ < kWaitingBytes || !failure_.empty(); });
    if (!failure_.empty()) {
      g_bytes_unref(bytes);
      throw CabinetError(failure_);
    }
    waiting_bytes_ += g_bytes_get_size(bytes);
    waiting_.emplace_back(relative, bytes);
    changed_.notify_all();
  }

  // Returns once every file is written; throws CabinetError when one could not be.
  void Finish() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return (waiting_.empty() && !writing_) || !failure_.empty(); });
    if (!failure_.empty()) throw CabinetError(failure_);
  }

 private:
  void Run() {
    std::unique_lock lock(mutex_);
    while (true) {
      changed_.wait(lock, [&] { return stop_ || !waiting_.empty(); });
      if (stop_) return;
      auto [relative, bytes] = waiting_.front();
      waiting_.pop_front();
      writing_ = true;
      lock.unlock();
      std::string failure = Write(relative, bytes);
      const size_t size = g_bytes_get_size(bytes);
      g_bytes_unref(bytes);
      lock.lock();
      writing_ = false;
      waiting_bytes_ -= size;
      if (!failure.empty()) {
        failure_ = failure;
        stop_ = true;
      }
      changed_.notify_all();
    }
  }

  // The reason the file could not be written, or "".
  std::string Write(const std::string& relative, GBytes* bytes) {
    const std::string path = folder_ + "/" + relative;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0 && errno == ENOENT) {
      for (size_t slash = relative.find('/'); slash != std::string::npos; slash = relative.find('/', slash + 1))
        mkdir((folder_ + "/" + relative.substr(0, slash)).c_str(), 0777);
      fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    }
    if (fd < 0) return "cannot create " + path + ": " + std::strerror(errno);
    size_t size = 0;
    const char* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
    for (size_t done = 0; done < size;) {
      const ssize_t written = write(fd, data + done, size - done);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {
        const std::string reason = "cannot write " + path + ": " + std::strerror(errno);
        close(fd);
        return reason;
      }
      done += static_cast<size_t>(written);
    }
    if (close(fd) != 0) return "cannot write " + path + ": " + std::strerror(errno);
    return "";
  }

  const std::string folder_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::pair<std::string, GBytes*>> waiting_;
  size_t waiting_bytes_ = 0;
  bool writing_ = false;
  bool stop_ = false;
  std::string failure_;
  std::thread thread_;  // last: starts once the rest is there
};

struct ExtractState {
  const CabinetEntryCallback* entry;
  GCancellable* cancellable;
  std::exception_ptr failure;
  Writer* writer;              // null: libgcab writes the files
  GCabFile* held;              // the file decompressed last, not yet handed to the writer
  std::string held_relative;
};

// Hands the file decompressed last to the writer. libgcab lets go of the data first, so that
// the writer holds the last reference and the data is freed where it is read.
void PassHeld(ExtractState& state) {
  if (!state.held) return;
  GBytes* empty = g_bytes_new(nullptr, 0);
  GBytes* held = gcab_file_get_bytes(state.held);
  GBytes* bytes = g_bytes_ref(held ? held : empty);
  gcab_file_set_bytes(state.held, empty);
  g_bytes_unref(empty);
  state.held = nullptr;
  state.writer->Add(state.held_relative, bytes);
}

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
    if (state->writer) PassHeld(*state);
    auto name = (*state->entry)(gcab_file_get_name(file), gcab_file_get_size(file));
    if (!name) return FALSE;
    if (!InsideFolder(*name)) throw CabinetError("refused extraction path " + *name);
    if (state->writer) {
      state->held = file;
      state->held_relative = *name;
    } else {
      gcab_file_set_extract_name(file, name->c_str());
    }
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

guint32 LargestFile(GCabCabinet* cabinet) {
  guint32 largest = 0;
  GPtrArray* folders = gcab_cabinet_get_folders(cabinet);
  for (guint i = 0; folders && i < folders->len; ++i) {
    GSList* files = gcab_folder_get_files(GCAB_FOLDER(g_ptr_array_index(folders, i)));
    for (GSList* file = files; file; file = file->next)
      largest = std::max(largest, gcab_file_get_size(GCAB_FILE(file->data)));
    g_slist_free(files);
  }
  return largest;
}

void Extract(GInputStream* input, const std::string& name, const std::string& folder_host_path,
             const CabinetEntryCallback& entry) {
  GError* error = nullptr;
  GPtr<GCabCabinet> cabinet(gcab_cabinet_new());
  if (!gcab_cabinet_load(cabinet.get(), input, nullptr, &error))
    throw CabinetError("cannot read the cabinet " + name + ": " + Message(error));
  GPtr<GCancellable> cancellable(g_cancellable_new());
  std::optional<Writer> writer;
  if (LargestFile(cabinet.get()) <= kLargestHeld) writer.emplace(folder_host_path);
  ExtractState state{&entry, cancellable.get(), nullptr, writer ? &*writer : nullptr, nullptr, ""};
  // Without a folder libgcab decompresses each file into memory, for the writer to take.
  GPtr<GFile> folder(writer ? nullptr : g_file_new_for_path(folder_host_path.c_str()));
  gboolean done = gcab_cabinet_extract(cabinet.get(), folder.get(), OnEntry, nullptr, &state, cancellable.get(), &error);
  if (state.failure) {
    if (error) g_error_free(error);
    std::rethrow_exception(state.failure);
  }
  if (!done) throw CabinetError("cannot extract the cabinet " + name + ": " + Message(error));
  if (writer) {
    PassHeld(state);
    writer->Finish();
  }
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
