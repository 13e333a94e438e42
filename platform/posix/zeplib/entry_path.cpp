#include "platform/posix/zeplib/entry_path.h"

namespace quillset::zeplib {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : text) {
    if (IsSeparator(c)) {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(part);
  return parts;
}

}  // namespace

std::optional<std::vector<std::string>> SplitEntryName(const std::string& name) {
  if (name.empty() || IsSeparator(name[0])) return std::nullopt;
  std::vector<std::string> components;
  for (auto& part : Split(name)) {
    if (part.empty() || part == ".") continue;
    // A colon is a drive ("C:x") or a stream on Windows; ".." climbs.
    if (part == ".." || part.find(':') != std::string::npos) return std::nullopt;
    components.push_back(std::move(part));
  }
  if (components.empty()) return std::nullopt;
  return components;
}

std::optional<std::string> SafeLinkTarget(const std::string& target, size_t depth) {
  if (target.empty() || IsSeparator(target[0])) return std::nullopt;
  std::string host;
  size_t climbs = 0;
  bool named = false;
  for (auto& part : Split(target)) {
    if (part.empty() || part == ".") continue;
    if (part.find(':') != std::string::npos) return std::nullopt;
    if (part == "..") {
      if (named || ++climbs > depth) return std::nullopt;
    } else {
      named = true;
    }
    if (!host.empty()) host += '/';
    host += part;
  }
  if (host.empty()) return ".";
  return host;
}

}  // namespace quillset::zeplib
