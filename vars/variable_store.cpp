#include "vars/variable_store.h"

#include <algorithm>
#include <cctype>

#include "vars/text_case.h"

namespace quillset::vars {
namespace {

bool IsControlOrBlank(unsigned char c) { return c <= 32; }

}  // namespace

VariableStore::VariableStore() : manager_(false, true) {}

void VariableStore::SetOverrides(const OverrideList& overrides) {
  overrides_ = overrides;
  override_names_.clear();
  for (const auto& pair : overrides_) override_names_.insert(vars::UpperCase(pair.first));
}

void VariableStore::SetVariable(std::string_view name, std::string_view value, std::string_view context) {
  if (name.empty()) return;
  if (manager_.Exists(name) && silent() && context != kInjectOverrideCommandLine &&
      override_names_.count(vars::UpperCase(name)) > 0)
    return;
  manager_.SetValue(name, value);
}

void VariableStore::InjectOverrides() {
  for (const auto& [name, value] : overrides_) SetVariable(name, value, kInjectOverrideCommandLine);
}

std::string VariableStore::ExpandPath(std::string_view text) const {
  std::string expanded = Expand(text);
  bool unc = expanded.size() >= 2 && expanded[0] == '\\' && expanded[1] == '\\';
  std::string result;
  result.reserve(expanded.size() + 1);
  if (unc) result += '\\';
  for (size_t i = 0; i < expanded.size(); ++i) {
    result += expanded[i];
    if (expanded[i] == '\\' && i + 1 < expanded.size() && expanded[i + 1] == '\\') ++i;
  }
  return result;
}

std::string VariableStore::ReferenceValue(std::string_view text) const {
  std::string name = StripReference(text);
  if (name.empty()) name = std::string(text);
  if (!manager_.Exists(name)) return std::string(kUndefinedReference);
  return Expand(manager_.GetValue(name));
}

std::string VariableStore::ReferenceValueOrEmpty(std::string_view text) const {
  std::string value = ReferenceValue(text);
  return value == kUndefinedReference ? std::string() : value;
}

std::string VariableStore::SaveVariables() const {
  std::vector<std::string> lines;
  manager_.GetAll(lines);
  return JoinSnapshotLines(lines);
}

void VariableStore::LoadVariables(std::string_view text) {
  std::vector<std::string> lines = SplitSnapshotText(text);
  manager_.Clear();
  for (size_t k = 0; k + 1 < lines.size(); k += 2) manager_.SetValue(lines[k], lines[k + 1]);
}

bool IsTrue(std::string_view text) {
  if (text == "-1") return true;
  if (text.size() != 4) return false;
  return std::equal(text.begin(), text.end(), "TRUE",
                    [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; });
}

std::string BoolText(bool value) { return value ? "TRUE" : "FALSE"; }

std::string StripReference(std::string_view text) {
  if (text.size() < 3 || text.front() != '$' || text.back() != '$') return std::string();
  std::string_view inner = text.substr(1, text.size() - 2);
  return inner.find('$') == std::string_view::npos ? std::string(inner) : std::string();
}

std::string EncodeNewlines(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      result += "$NEWLINE$";
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

std::string DecodeNewlines(std::string_view text) {
  static constexpr std::string_view kMarker = "$NEWLINE$";
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '$' && i + kMarker.size() <= text.size() &&
        std::equal(kMarker.begin(), kMarker.end(), text.begin() + i, [](char m, char c) {
          return m == std::toupper(static_cast<unsigned char>(c));
        })) {
      result += "\r\n";
      i += kMarker.size();
    } else {
      result += text[i++];
    }
  }
  return result;
}

std::string JoinSnapshotLines(const std::vector<std::string>& lines) {
  if (lines.size() == 1 && lines[0].empty()) return "\"\"";
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += ',';
    const std::string& line = lines[i];
    bool quote = std::any_of(line.begin(), line.end(), [](char c) {
      return IsControlOrBlank(static_cast<unsigned char>(c)) || c == '"' || c == ',';
    });
    if (!quote) {
      text += line;
      continue;
    }
    text += '"';
    for (char c : line) {
      if (c == '"') text += '"';
      text += c;
    }
    text += '"';
  }
  return text;
}

std::vector<std::string> SplitSnapshotText(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> lines;
  size_t pos = 0;
  auto skip_blanks = [&] {
    while (pos < text.size() && IsControlOrBlank(static_cast<unsigned char>(text[pos]))) ++pos;
  };
  skip_blanks();
  while (pos < text.size()) {
    std::string line;
    if (text[pos] == '"') {
      for (++pos; pos < text.size(); ++pos) {
        if (text[pos] != '"') {
          line += text[pos];
        } else if (pos + 1 < text.size() && text[pos + 1] == '"') {
          line += '"';
          ++pos;
        } else {
          ++pos;
          break;
        }
      }
    } else {
      while (pos < text.size() && text[pos] != ',' && !IsControlOrBlank(static_cast<unsigned char>(text[pos])))
        line += text[pos++];
    }
    lines.push_back(std::move(line));
    skip_blanks();
    if (pos < text.size() && text[pos] == ',') {
      ++pos;
      if (pos == text.size()) lines.emplace_back();
      skip_blanks();
    }
  }
  return lines;
}

}  // namespace quillset::vars
