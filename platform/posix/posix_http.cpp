#include "platform/posix/posix_http.h"

#include <curl/curl.h>

#include <cstdio>
#include <memory>

namespace quillset::platform::posix {
namespace {

struct Transfer {
  const HttpRequest& request;
  const HttpProgress& progress;
  std::string host_path;
  std::FILE* file = nullptr;
  bool write_failed = false;
};

// The first body bytes decide whether the answer continues the file or replaces it.
bool OpenTarget(Transfer& t, CURL* curl) {
  if (t.file) return true;
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  bool append = t.request.resume_from > 0 && status == 206;
  t.file = std::fopen(t.host_path.c_str(), append ? "ab" : "wb");
  return t.file != nullptr;
}

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  auto& t = *static_cast<std::pair<Transfer*, CURL*>*>(user);
  Transfer& transfer = *t.first;
  if (!OpenTarget(transfer, t.second)) {
    transfer.write_failed = true;
    return 0;
  }
  size_t bytes = size * count;
  if (std::fwrite(data, 1, bytes, transfer.file) != bytes) {
    transfer.write_failed = true;
    return 0;
  }
  return bytes;
}

int ReportProgress(void* user, curl_off_t total, curl_off_t received, curl_off_t, curl_off_t) {
  auto& transfer = *static_cast<Transfer*>(user);
  if (!transfer.progress) return 0;
  return transfer.progress(static_cast<uint64_t>(received), static_cast<uint64_t>(total)) ? 0 : 1;
}

}  // namespace

HttpResult PosixHttp::Download(const HttpRequest& request, const HttpProgress& progress) {
  Attempt attempt = Fetch(request, progress);
  if (attempt.range_refused) {
    // The server cannot continue the file: fetch the whole answer instead.
    HttpRequest whole = request;
    whole.resume_from = 0;
    attempt = Fetch(whole, progress);
  }
  return attempt;
}

PosixHttp::Attempt PosixHttp::Fetch(const HttpRequest& request, const HttpProgress& progress) {
  Attempt result;
  auto host = paths_.ToHost(request.target_file);
  if (!host) {
    result.error = "The target file " + request.target_file + " lies on no drive";
    return result;
  }
  std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
  if (!curl) {
    result.error = "The HTTP client could not be started";
    return result;
  }
  Transfer transfer{request, progress, *host};
  std::pair<Transfer*, CURL*> sink{&transfer, curl.get()};
  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 30L);
  // A stalled server: less than one byte a second for a minute ends the transfer.
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, 60L);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, ReportProgress);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  if (request.resume_from > 0) curl_easy_setopt(c, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(request.resume_from));
  if (!request.proxy_server.empty()) {
    curl_easy_setopt(c, CURLOPT_PROXY, request.proxy_server.c_str());
    if (request.proxy_port) curl_easy_setopt(c, CURLOPT_PROXYPORT, static_cast<long>(request.proxy_port));
    if (!request.proxy_user.empty()) {
      curl_easy_setopt(c, CURLOPT_PROXYUSERNAME, request.proxy_user.c_str());
      curl_easy_setopt(c, CURLOPT_PROXYPASSWORD, request.proxy_password.c_str());
    }
  }
  char error_text[CURL_ERROR_SIZE] = "";
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error_text);
  CURLcode code = curl_easy_perform(c);
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.status);
  if (code == CURLE_OK) OpenTarget(transfer, c);  // an empty body still makes the file
  if (transfer.file) {
    if (std::fclose(transfer.file) != 0) transfer.write_failed = true;
    transfer.file = nullptr;
  }
  if (std::FILE* written = std::fopen(host->c_str(), "rb")) {
    std::fseek(written, 0, SEEK_END);
    long size = std::ftell(written);
    result.file_size = size > 0 ? static_cast<uint64_t>(size) : 0;
    std::fclose(written);
  }
  result.range_refused = code == CURLE_RANGE_ERROR && request.resume_from > 0;
  if (code == CURLE_OK && !transfer.write_failed) {
    result.ok = true;
  } else if (transfer.write_failed) {
    result.error = "Unable to write " + request.target_file;
  } else if (code == CURLE_ABORTED_BY_CALLBACK) {
    result.error = "The download was cancelled";
  } else {
    result.error = error_text[0] ? error_text : curl_easy_strerror(code);
  }
  return result;
}

}  // namespace quillset::platform::posix
