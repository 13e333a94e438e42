#include "platform/posix/zeplib/extraction.h"

#include <memory>
#include <optional>
#include <string>

#include "platform/posix/zeplib/entry_path.h"

namespace quillset::zeplib {

namespace {

// A link's data is its target; anything longer is no link a file system would hold.
constexpr size_t kLongestLinkTarget = 4096;

struct Planned {
  ItemInfo info;
  std::vector<std::string> path;  // below the target folder
};

uint32_t Low(uint64_t value) { return static_cast<uint32_t>(value); }
uint32_t High(uint64_t value) { return static_cast<uint32_t>(value >> 32); }

// The callback object of one extraction, and the sink of the item being written.
class Extraction : public IArchiveExtractCallback, public ISequentialOutStream, public PasswordAnswer {
 public:
  Extraction(const Plugin& plugin, TargetFolder& folder, PasswordSource& password,
             const ExtractionRequest& request, std::vector<std::optional<Planned>>& plan)
      : PasswordAnswer(plugin, password), folder_(folder), request_(request), plan_(plan) {}

  int32_t code() const { return code_; }
  // Drops the item in progress, as when the plugin stops in the middle of it.
  void Discard() { file_.reset(); }

  HRESULT QueryInterface(const Guid& iid, void** object) override {
    if (iid == kIidUnknown || iid == kIidArchiveExtractCallback) {
      *object = static_cast<IArchiveExtractCallback*>(this);
    } else if (iid == kIidSequentialOutStream) {
      *object = static_cast<ISequentialOutStream*>(this);
    } else if (iid == kIidCryptoGetTextPassword) {
      *object = static_cast<ICryptoGetTextPassword*>(this);
    } else {
      *object = nullptr;
      return kNoInterface;
    }
    return kOk;
  }
  // We own this object; it outlives the plugin's Extract call.
  uint32_t AddRef() override { return 1; }
  uint32_t Release() override { return 1; }

  HRESULT SetTotal(uint64_t total) override {
    total_ = total;
    return kOk;
  }
  HRESULT SetCompleted(const uint64_t* completed) override {
    if (!request_.progress || !completed) return kOk;
    const char* name = current_ ? current_->info.name.c_str() : "";
    if (request_.progress(name, static_cast<int64_t>(*completed), static_cast<int64_t>(total_)) == 0)
      return Fail(ZEP_ERROR_ABORTED);
    return kOk;
  }

  HRESULT GetStream(uint32_t index, ISequentialOutStream** stream, int32_t ask_mode) override;
  HRESULT PrepareOperation(int32_t) override { return kOk; }
  HRESULT SetOperationResult(int32_t result) override;

  HRESULT Write(const void* data, uint32_t size, uint32_t* processed) override {
    if (processed) *processed = 0;
    if (writing_link_) {
      if (link_target_.size() + size > kLongestLinkTarget) return Fail(ZEP_ERROR_UNSAFE_PATH);
      link_target_.append(static_cast<const char*>(data), size);
    } else if (!file_ || !file_->Write(data, size)) {
      return Fail(ZEP_ERROR_WRITE);
    }
    if (processed) *processed = size;
    return kOk;
  }

 private:
  HRESULT Fail(int32_t code) {
    if (code_ == 0) code_ = code;
    return code == ZEP_ERROR_ABORTED ? kAbort : kFail;
  }
  HRESULT FailOn(WriteStatus status) {
    return Fail(status == WriteStatus::kUnsafe ? ZEP_ERROR_UNSAFE_PATH : ZEP_ERROR_WRITE);
  }
  ReplaceQuestion Replace() const {
    return [this](uint64_t existing_size, uint64_t existing_time) {
      if (!request_.overwrite) return true;
      const ItemInfo& item = current_->info;
      return request_.overwrite(Low(existing_size), High(existing_size), Low(existing_time),
                                High(existing_time), Low(item.size), High(item.size), Low(item.filetime),
                                High(item.filetime), static_cast<int32_t>(current_index_), 0) == 4;
    };
  }
  std::vector<std::string> Path() const {
    return request_.flat ? std::vector<std::string>{current_->path.back()} : current_->path;
  }

  TargetFolder& folder_;
  const ExtractionRequest& request_;
  std::vector<std::optional<Planned>>& plan_;
  uint64_t total_ = 0;
  int32_t code_ = 0;
  const Planned* current_ = nullptr;
  uint32_t current_index_ = 0;
  std::unique_ptr<NewFile> file_;
  bool writing_link_ = false;
  std::string link_target_;
};

HRESULT Extraction::GetStream(uint32_t index, ISequentialOutStream** stream, int32_t ask_mode) {
  *stream = nullptr;
  file_.reset();
  writing_link_ = false;
  current_ = index < plan_.size() && plan_[index] ? &*plan_[index] : nullptr;
  current_index_ = index;
  if (ask_mode != kAskExtract || !current_) return kOk;
  if (current_->info.is_directory) {
    if (request_.flat) return kOk;
    WriteStatus status = folder_.MakeDirectory(current_->path);
    return status == WriteStatus::kOk ? kOk : FailOn(status);
  }
  if (current_->info.IsLink()) {
    writing_link_ = true;
    link_target_.clear();
  } else {
    WriteStatus status = folder_.CreateFile(Path(), Replace(), &file_);
    if (status == WriteStatus::kSkipped) return kOk;
    if (status != WriteStatus::kOk) return FailOn(status);
  }
  *stream = static_cast<ISequentialOutStream*>(this);
  return kOk;
}

HRESULT Extraction::SetOperationResult(int32_t result) {
  if (!current_) return kOk;
  const ItemInfo& item = current_->info;
  if (result != kResultOk) {
    file_.reset();
    // A wrong password never says so: it shows as damaged data of an encrypted item.
    bool password = result == kResultWrongPassword ||
                    (item.encrypted && (result == kResultDataError || result == kResultCrcError));
    return Fail(password || password_.refused() ? ZEP_ERROR_CANNOT_OPEN : ZEP_ERROR_DATA);
  }
  if (file_) {
    uint32_t mode = item.UnixMode() & 0777;
    bool written = file_->Finish(item.filetime, mode);
    file_.reset();
    if (!written) return Fail(ZEP_ERROR_WRITE);
  } else if (writing_link_) {
    writing_link_ = false;
    auto path = Path();
    auto target = SafeLinkTarget(link_target_, path.size() - 1);
    if (!target) return Fail(ZEP_ERROR_UNSAFE_PATH);
    WriteStatus status = folder_.CreateLink(path, *target, Replace());
    if (status != WriteStatus::kOk && status != WriteStatus::kSkipped) return FailOn(status);
  }
  if (request_.item_done && request_.item_done(static_cast<int32_t>(current_index_),
                                                  static_cast<int32_t>(request_.indices.size())) == 0)
    return Fail(ZEP_ERROR_ABORTED);
  return kOk;
}

}  // namespace

int32_t Extract(Archive& archive, TargetFolder& folder, PasswordSource& password,
                const ExtractionRequest& request) {
  std::vector<std::optional<Planned>> plan(archive.count());
  for (uint32_t index : request.indices) {
    ItemInfo info = archive.Item(index);
    auto path = SplitEntryName(info.name);
    if (!path) return ZEP_ERROR_UNSAFE_PATH;
    plan[index] = Planned{std::move(info), std::move(*path)};
  }
  if (request.indices.empty()) return 0;
  Extraction extraction(archive.plugin(), folder, password, request, plan);
  HRESULT result = archive.handler().Extract(request.indices.data(), static_cast<uint32_t>(request.indices.size()),
                                             0, &extraction);
  extraction.Discard();
  if (extraction.code() != 0) return extraction.code();
  if (result == kOk) return 0;
  return password.refused() ? ZEP_ERROR_CANNOT_OPEN : ZEP_ERROR_GENERAL;
}

}  // namespace quillset::zeplib
