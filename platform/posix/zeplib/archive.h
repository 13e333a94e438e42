// An opened 7z archive: the handler of the plugin over the archive file, with the engine's
// password handed over when the handler asks for it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/archive_library.h"
#include "platform/posix/zeplib/plugin.h"

namespace quillset::zeplib {

// The engine's password for one operation: the callback is asked the first time the plugin
// wants one, and its answer serves every later request of the same operation (the plugin asks
// once per compressed block).
class PasswordSource {
 public:
  PasswordSource(ZepPasswordCallback callback, const char* password)
      : callback_(callback), password_(password ? password : "") {}
  // nullopt when the engine has none to give.
  const std::optional<std::string>& Get();
  bool refused() const { return asked_ && !answer_; }

 private:
  ZepPasswordCallback callback_;
  std::string password_;
  bool asked_ = false;
  std::optional<std::string> answer_;
};

// Answers the plugin's password requests from a PasswordSource.
class PasswordAnswer : public ICryptoGetTextPassword {
 public:
  PasswordAnswer(const Plugin& plugin, PasswordSource& password) : plugin_(plugin), password_(password) {}
  HRESULT CryptoGetTextPassword(BSTR* password) override;

 protected:
  ~PasswordAnswer() = default;
  const Plugin& plugin_;
  PasswordSource& password_;
};

// Facts of one item, in the engine's terms.
struct ItemInfo {
  std::string name;  // backslash separators, UTF-8
  uint32_t attributes = 0;
  bool is_directory = false;
  bool encrypted = false;
  uint64_t size = 0;
  uint64_t packed_size = 0;
  uint64_t crc = 0;
  uint64_t filetime = 0;
  // The high half of the attributes carries a Unix mode when this bit is set.
  static constexpr uint32_t kUnixExtension = 0x8000;
  bool IsLink() const;
  uint32_t UnixMode() const { return attributes & kUnixExtension ? attributes >> 16 : 0; }
};

class Archive {
 public:
  // Opens the archive file at a host path; nullptr with code set (a ZEP_ERROR_...) on failure.
  static std::unique_ptr<Archive> Open(const Plugin& plugin, const std::string& host_path,
                                       PasswordSource& password, int32_t& code);
  ~Archive();
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  uint32_t count() const { return count_; }
  ItemInfo Item(uint32_t index) const;
  std::string Name(uint32_t index) const;
  IInArchive& handler() const { return *handler_.get(); }
  const Plugin& plugin() const { return plugin_; }

 private:
  class InStream;
  Archive(const Plugin& plugin, int fd);

  const Plugin& plugin_;
  std::unique_ptr<InStream> stream_;  // outlives the handler, which reads it until Close
  ComPtr<IInArchive> handler_;
  uint32_t count_ = 0;
};

}  // namespace quillset::zeplib
