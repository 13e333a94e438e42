// Downloads over HTTP, shaped after what the web media need: one URL into one file, resumed
// from an offset, through an optional proxy, with progress and cancel.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace quillset::platform {

struct HttpRequest {
  std::string url;
  std::string target_file;    // Windows path; created, or appended to when resuming
  uint64_t resume_from = 0;   // bytes already in the target file
  std::string proxy_server;   // empty: no proxy
  uint16_t proxy_port = 0;
  std::string proxy_user;
  std::string proxy_password;
};

struct HttpResult {
  bool ok = false;           // a 2xx answer received completely
  long status = 0;           // the HTTP status, 0 when none was received
  uint64_t file_size = 0;    // bytes in the target file afterwards
  std::string error;         // why, when not ok
};

// Bytes of the answer received so far and in total (0 when unknown); false cancels.
using HttpProgress = std::function<bool(uint64_t received, uint64_t total)>;

class Http {
 public:
  virtual ~Http() = default;
  // A server that ignores the resume offset (answers 200 to a range request) has its whole
  // answer written over the target file.
  virtual HttpResult Download(const HttpRequest& request, const HttpProgress& progress) = 0;
};

}  // namespace quillset::platform
