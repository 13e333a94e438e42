#include "platform/win_path.h"

namespace quillset::platform {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Position after the last separator or drive colon.
size_t NameStart(std::string_view path) {
  size_t i = path.size();
  while (i > 0 && !IsSeparator(path[i - 1]) && path[i - 1] != ':') --i;
  return i;
}

}  // namespace

std::string IncludeTrailingBackslash(std::string_view path) {
  std::string result(path);
  if (!result.empty() && result.back() != '\\') result += '\\';
  return result;
}

std::string ExcludeTrailingBackslash(std::string_view path) {
  std::string result(path);
  if (!result.empty() && result.back() == '\\') result.pop_back();
  return result;
}

std::string ExtractFilePath(std::string_view path) { return std::string(path.substr(0, NameStart(path))); }

std::string ExtractFileName(std::string_view path) { return std::string(path.substr(NameStart(path))); }

std::string ExtractFileExt(std::string_view path) {
  std::string_view name = path.substr(NameStart(path));
  size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view extension) {
  size_t start = NameStart(path);
  size_t dot = path.substr(start).rfind('.');
  std::string_view stem = dot == std::string_view::npos ? path : path.substr(0, start + dot);
  return std::string(stem) + std::string(extension);
}

}  // namespace quillset::platform
