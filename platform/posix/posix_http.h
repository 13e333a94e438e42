// HTTP downloads through libcurl.
#pragma once

#include "platform/http.h"
#include "platform/posix/paths/path_map.h"

namespace quillset::platform::posix {

class PosixHttp : public Http {
 public:
  explicit PosixHttp(const PathMap& paths) : paths_(paths) {}
  HttpResult Download(const HttpRequest& request, const HttpProgress& progress) override;

 private:
  struct Attempt : HttpResult {
    bool range_refused = false;
  };
  Attempt Fetch(const HttpRequest& request, const HttpProgress& progress);

  const PathMap& paths_;
};

}  // namespace quillset::platform::posix
