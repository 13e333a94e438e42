#include "engine/trace_log.h"

namespace quillset::engine {

void TraceLog::SetPath(const std::string& path) {
  if (path == given_path_) return;
  given_path_ = path;
  path_ = path.empty() ? std::string() : files_.FullPathName(path);
  if (path_.empty()) path_ = path;
}

void TraceLog::Write(const std::string& line) {
  if (path_.empty()) return;
  auto mode = first_write_ ? platform::OpenMode::kCreateTruncate : platform::OpenMode::kReadWrite;
  first_write_ = false;
  auto file = files_.Open(path_, mode);
  if (!file || !file->SeekToEnd()) return;
  std::string text = line + "\r\n";
  if (utf16_) text = system_.AnsiToUtf16Le(text);
  file->Write(text.data(), text.size());
}

}  // namespace quillset::engine
