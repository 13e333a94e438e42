#include "media/seven_zip_wrap.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "platform/archive_library.h"

namespace quillset::media {

struct SevenZipWrap::Exports {
  ZepOpenListArchive open_list = nullptr;
  ZepCloseListArchive close_list = nullptr;
  ZepGetLastArchiveError last_error = nullptr;
  ZepExtractArchive extract = nullptr;
};

// What the library's callbacks need of the call in progress.
struct SevenZipWrap::Operation {
  SevenZipWrap& wrap;
  const ExtractionProgress* progress;
  size_t password_room;              // the library's buffer holds at least this many bytes
  std::exception_ptr failure;        // raised in a callback, rethrown once the library returns
};

struct Callbacks {
  // The callbacks carry no context argument: they find the operation of their thread here.
  static thread_local SevenZipWrap::Operation* current;

  static int32_t Password(char* buffer) {
    if (!current) return 0;
    std::string& pending = current->wrap.pending_password_;
    if (pending.empty()) return 0;
    size_t length = std::min(pending.size(), current->password_room - 1);
    std::memcpy(buffer, pending.data(), length);
    buffer[length] = '\0';
    pending.clear();
    return 1;
  }

  static int32_t Progress(const char* name, int64_t done, int64_t total) {
    if (!current || !current->progress || !*current->progress) return 1;
    try {
      return (*current->progress)(name ? name : "", done, total) ? 1 : 0;
    } catch (...) {
      // The library is C: the exception waits until it returns.
      current->failure = std::current_exception();
      return 0;
    }
  }

  static int32_t Second(int32_t, int32_t) { return 1; }

  static int32_t Overwrite(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
    return current && current->wrap.overwrite_answer_ ? 4 : 1;
  }
};

thread_local SevenZipWrap::Operation* Callbacks::current = nullptr;

class SevenZipWrap::OperationScope {
 public:
  OperationScope(SevenZipWrap& wrap, const ExtractionProgress* progress, const std::string& password)
      : operation_{wrap, progress, std::max<size_t>(std::strlen(password.c_str()) + 1, ZEP_PASSWORD_BUFFER_MIN), {}},
        outer_(Callbacks::current) {
    Callbacks::current = &operation_;
  }
  ~OperationScope() { Callbacks::current = outer_; }
  OperationScope(const OperationScope&) = delete;
  OperationScope& operator=(const OperationScope&) = delete;

  void RethrowFailure() const {
    if (operation_.failure) std::rethrow_exception(operation_.failure);
  }

 private:
  Operation operation_;
  Operation* outer_;
};

std::string ListingErrorText(int32_t code) {
  switch (code) {
    case ZEP_ERROR_NOT_FOUND:
      return "The archive file was not found";
    case ZEP_ERROR_ILLEGAL_PATH:
      return "Illegal path used in a wildcard expression";
    case ZEP_ERROR_CANNOT_OPEN:
      return "The archive cannot be opened: unsupported archive or incorrect password";
    default:
      return "General failure opening archive";
  }
}

SevenZipWrap::SevenZipWrap(platform::Libraries& libraries, std::string library_path)
    : libraries_(libraries), library_path_(std::move(library_path)) {}

SevenZipWrap::~SevenZipWrap() = default;

void SevenZipWrap::EnsureLoaded() {
  if (exports_) return;
  std::string error;
  auto library = libraries_.Load(library_path_, &error);
  if (!library) throw std::runtime_error("The archive library " + library_path_ + " cannot be loaded: " + error);
  auto symbol = [&](const char* name) {
    void* address = library->Symbol(name);
    if (!address) throw std::runtime_error("The archive library " + library_path_ + " lacks " + name);
    return address;
  };
  auto exports = std::make_unique<Exports>();
  exports->open_list = reinterpret_cast<ZepOpenListArchive>(symbol("OpenListArchive"));
  exports->close_list = reinterpret_cast<ZepCloseListArchive>(symbol("CloseListArchive"));
  exports->last_error = reinterpret_cast<ZepGetLastArchiveError>(symbol("GetLastArchiveError"));
  exports->extract = reinterpret_cast<ZepExtractArchive>(symbol("ExtractArchive"));
  library_ = std::move(library);
  exports_ = std::move(exports);
}

bool SevenZipWrap::ListArchive(const std::string& archive, const std::string& password,
                               std::vector<std::string>& names, std::string& error_text) {
  error_text.clear();
  names.clear();
  try {
    EnsureLoaded();
    pending_password_ = password;
    OperationScope scope(*this, nullptr, password);
    ZepArchiveEntry* entries = nullptr;
    int32_t count = 0;
    int32_t handle = exports_->open_list(archive.c_str(), 0, &Callbacks::Password, 0, 0, 0, password.c_str(),
                                         &entries, &count);
    if (handle == 0) {
      error_text = ListingErrorText(exports_->last_error());
      return false;
    }
    // The listing is released even when copying a name fails.
    struct Closer {
      ZepCloseListArchive close;
      int32_t handle;
      ~Closer() { close(handle); }
    } closer{exports_->close_list, handle};
    names.reserve(static_cast<size_t>(std::max(count, 0)));
    for (int32_t i = 0; i < count; ++i) names.emplace_back(entries[i].name ? entries[i].name : "");
    return true;
  } catch (const std::exception& e) {
    error_text = e.what();
    return false;
  }
}

bool SevenZipWrap::ExtractArchiveFiles(const std::string& archive, const std::string& password,
                                       const std::string& target_folder, bool keep_folders, bool overwrite,
                                       const ExtractionProgress& progress, std::string& error_text) {
  error_text.clear();
  try {
    std::vector<std::string> names;
    if (!ListArchive(archive, password, names, error_text)) return false;
    // One allocation per name, handed over by address; all of them go whatever the outcome.
    std::vector<std::unique_ptr<char[]>> copies;
    std::vector<char*> pointers;
    copies.reserve(names.size());
    pointers.reserve(names.size());
    for (const auto& name : names) {
      copies.push_back(std::make_unique<char[]>(name.size() + 1));
      std::memcpy(copies.back().get(), name.c_str(), name.size() + 1);
      pointers.push_back(copies.back().get());
    }
    names.clear();
    TSZW_TARGETFILES target_files{pointers.data(), static_cast<int32_t>(pointers.size())};

    pending_password_ = password;  // the listing may have taken it
    overwrite_answer_ = overwrite;
    OperationScope scope(*this, &progress, password);
    int32_t result = exports_->extract(archive.c_str(), 1, target_folder.c_str(), &target_files, keep_folders ? 0 : 1,
                                       password.c_str(), &Callbacks::Password, &Callbacks::Progress,
                                       &Callbacks::Second, &Callbacks::Overwrite);
    scope.RethrowFailure();
    if (result != 0) return true;
    error_text = "#" + std::to_string(exports_->last_error());
    return false;
  } catch (const std::exception& e) {
    error_text = e.what();
    return false;
  }
}

}  // namespace quillset::media
