#include "platform/posix/zeplib/archive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/posix/zeplib/text.h"

namespace quillset::zeplib {

namespace {

// The plugin's references to our objects are not counted: we own them and they outlive the
// handler's use of them.
class OpenCallback : public IArchiveOpenCallback, public PasswordAnswer {
 public:
  using PasswordAnswer::PasswordAnswer;
  HRESULT QueryInterface(const Guid& iid, void** object) override {
    if (iid == kIidUnknown || iid == kIidArchiveOpenCallback) {
      *object = static_cast<IArchiveOpenCallback*>(this);
    } else if (iid == kIidCryptoGetTextPassword) {
      *object = static_cast<ICryptoGetTextPassword*>(this);
    } else {
      *object = nullptr;
      return kNoInterface;
    }
    return kOk;
  }
  uint32_t AddRef() override { return 1; }
  uint32_t Release() override { return 1; }
  HRESULT SetTotal(const uint64_t*, const uint64_t*) override { return kOk; }
  HRESULT SetCompleted(const uint64_t*, const uint64_t*) override { return kOk; }
};

void SingleThreaded(IInArchive& handler) {
  // One decoding thread streams: progress interleaves with the writes and memory stays low.
  ComPtr<ISetProperties> properties;
  if (handler.QueryInterface(kIidSetProperties, properties.out()) != kOk) return;
  const wchar_t* names[] = {L"mt"};
  PropVariant value;
  value.vt = kVtUi4;
  value.u32 = 1;
  properties->SetProperties(names, &value, 1);
}

}  // namespace

const std::optional<std::string>& PasswordSource::Get() {
  if (asked_) return answer_;
  asked_ = true;
  if (!callback_) {
    if (!password_.empty()) answer_ = password_;
    return answer_;
  }
  std::vector<char> buffer(std::max<size_t>(password_.size() + 1, ZEP_PASSWORD_BUFFER_MIN), '\0');
  if (callback_(buffer.data()) != 0) answer_ = std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
  return answer_;
}

HRESULT PasswordAnswer::CryptoGetTextPassword(BSTR* password) {
  const auto& answer = password_.Get();
  if (!answer) return kAbort;
  *password = plugin_.AllocString(WideFromUtf8(*answer));
  return *password ? kOk : kFail;
}

class Archive::InStream : public IInStream {
 public:
  explicit InStream(int fd) : fd_(fd) {}
  ~InStream() { close(fd_); }
  InStream(const InStream&) = delete;
  InStream& operator=(const InStream&) = delete;

  HRESULT QueryInterface(const Guid& iid, void** object) override {
    if (iid == kIidUnknown || iid == kIidSequentialInStream || iid == kIidInStream) {
      *object = static_cast<IInStream*>(this);
      return kOk;
    }
    *object = nullptr;
    return kNoInterface;
  }
  uint32_t AddRef() override { return 1; }
  uint32_t Release() override { return 1; }

  HRESULT Read(void* data, uint32_t size, uint32_t* processed) override {
    ssize_t n;
    do n = read(fd_, data, size);
    while (n < 0 && errno == EINTR);
    if (processed) *processed = n > 0 ? static_cast<uint32_t>(n) : 0;
    return n < 0 ? kFail : kOk;
  }
  HRESULT Seek(int64_t offset, uint32_t origin, uint64_t* new_position) override {
    static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (origin > 2) return kFail;
    off_t position = lseek(fd_, offset, kWhence[origin]);
    if (position < 0) return kFail;
    if (new_position) *new_position = static_cast<uint64_t>(position);
    return kOk;
  }

 private:
  int fd_;
};

bool ItemInfo::IsLink() const {
  constexpr uint32_t kTypeMask = 0170000, kLink = 0120000;
  return (UnixMode() & kTypeMask) == kLink;
}

Archive::Archive(const Plugin& plugin, int fd) : plugin_(plugin), stream_(std::make_unique<InStream>(fd)) {}

Archive::~Archive() {
  if (handler_.get()) handler_->Close();
}

std::unique_ptr<Archive> Archive::Open(const Plugin& plugin, const std::string& host_path,
                                       PasswordSource& password, int32_t& code) {
  struct stat info;
  if (stat(host_path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    code = ZEP_ERROR_NOT_FOUND;
    return nullptr;
  }
  int fd = open(host_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    code = ZEP_ERROR_CANNOT_OPEN;
    return nullptr;
  }
  std::unique_ptr<Archive> archive(new Archive(plugin, fd));
  if (plugin.CreateArchive(archive->handler_) != kOk) {
    code = ZEP_ERROR_PLUGIN;
    return nullptr;
  }
  SingleThreaded(*archive->handler_.get());
  OpenCallback callback(plugin, password);
  const uint64_t max_check_start = 1 << 23;
  // A wrong password for encrypted headers shows as "not an archive" (S_FALSE) or an error.
  if (archive->handler_->Open(archive->stream_.get(), &max_check_start, &callback) != kOk ||
      archive->handler_->GetNumberOfItems(&archive->count_) != kOk) {
    code = ZEP_ERROR_CANNOT_OPEN;
    return nullptr;
  }
  return archive;
}

std::string Archive::Name(uint32_t index) const {
  std::string name = Utf8FromWide(ItemProperty(plugin_, *handler_.get(), index, kpidPath).Text());
  std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

ItemInfo Archive::Item(uint32_t index) const {
  IInArchive& handler = *handler_.get();
  ItemInfo item;
  item.name = Name(index);
  item.attributes = static_cast<uint32_t>(ItemProperty(plugin_, handler, index, kpidAttrib).Number());
  item.is_directory = ItemProperty(plugin_, handler, index, kpidIsDir).Bool();
  item.encrypted = ItemProperty(plugin_, handler, index, kpidEncrypted).Bool();
  item.size = ItemProperty(plugin_, handler, index, kpidSize).Number();
  item.packed_size = ItemProperty(plugin_, handler, index, kpidPackSize).Number();
  item.crc = ItemProperty(plugin_, handler, index, kpidCrc).Number();
  item.filetime = ItemProperty(plugin_, handler, index, kpidMTime).Filetime();
  return item;
}

}  // namespace quillset::zeplib
