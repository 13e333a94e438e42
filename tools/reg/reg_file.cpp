#include "tools/reg/reg_file.h"

#include <cctype>
#include <cstdio>

#include "platform/posix/windows_text.h"

namespace quillset::reg {

namespace {

using platform::RegistryValue;
using platform::posix::Utf16LeToUtf8;
using platform::posix::Utf8ToUtf16Le;

const char* const kVersion5 = "Windows Registry Editor Version 5.00";
const char* const kVersion4 = "REGEDIT4";
constexpr size_t kHexLineWidth = 76;

std::string Quote(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// "hex(2):41,00,..." wrapped as the registry editor does, continuation lines indented.
std::string HexData(const std::string& head, const std::string& bytes) {
  std::string text = head;
  size_t line_start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    char byte[3];
    std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(bytes[i]));
    text += byte;
    if (i + 1 == bytes.size()) break;
    text += ',';
    if (text.size() - line_start > kHexLineWidth) {
      text += "\\\r\n  ";
      line_start = text.size() - 2;
    }
  }
  return text;
}

// Version 5.00 keeps text types in hex form as UTF-16LE with their terminator.
std::string TextAsUtf16(const RegistryValue& value) {
  std::string units = Utf8ToUtf16Le(value.data);
  if (value.type != platform::kRegMultiSz) units.append(2, '\0');
  return units;
}

std::string FormatValue(const RegistryValue& value) {
  std::string line = value.name.empty() ? "@" : Quote(value.name);
  line += "=";
  bool plain_text = value.data.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
  char type[16];
  std::snprintf(type, sizeof type, "hex(%x):", value.type);
  switch (value.type) {
    case platform::kRegSz:
      if (plain_text) return line + Quote(value.data);
      return HexData(line + type, TextAsUtf16(value));
    case platform::kRegExpandSz:
    case platform::kRegMultiSz:
      return HexData(line + type, TextAsUtf16(value));
    case platform::kRegDword:
      if (value.data.size() == 4) {
        uint32_t number = 0;
        for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(value.data[static_cast<size_t>(i)]);
        char text[16];
        std::snprintf(text, sizeof text, "dword:%08x", number);
        return line + text;
      }
      break;
    case platform::kRegBinary:
      return HexData(line + "hex:", value.data);
  }
  return HexData(line + type, value.data);
}

// ---- parsing ----

// Bytes that are no text of the 8-bit code page (UTF-8 here) become U+FFFD, as a conversion
// into the code page would make them: the store then never holds text that a Unicode export
// could not give back.
std::string ValidText(const std::string& text) { return Utf16LeToUtf8(Utf8ToUtf16Le(text)); }

std::string Decode(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE)
    return Utf16LeToUtf8(bytes.substr(2));
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) return ValidText(bytes.substr(3));
  return ValidText(bytes);
}

std::string TrimRight(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.pop_back();
  return text;
}

std::string TrimLeft(const std::string& text) {
  size_t start = text.find_first_not_of(" \t");
  return start == std::string::npos ? "" : text.substr(start);
}

class Parser {
 public:
  explicit Parser(const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      lines_.push_back(TrimRight(text.substr(start, end - start)));
      start = end + 1;
    }
  }

  std::vector<RegFileKey> Parse() {
    size_t i = 0;
    while (i < lines_.size() && TrimLeft(lines_[i]).empty()) ++i;
    if (i == lines_.size()) throw RegFileError("the file is empty");
    std::string header = TrimLeft(lines_[i]);
    if (header == kVersion5)
      unicode_ = true;
    else if (header != kVersion4)
      Fail(i, "not a registry file: the first line must be \"" + std::string(kVersion5) + "\"");
    std::vector<RegFileKey> keys;
    for (++i; i < lines_.size(); ++i) {
      size_t first = i;
      std::string line = TrimLeft(lines_[i]);
      if (line.empty() || line[0] == ';') continue;
      if (line[0] == '[') {
        keys.push_back(KeyLine(first, line));
        continue;
      }
      // Hex data goes on over lines that end in a backslash.
      while (!line.empty() && line.back() == '\\') {
        if (i + 1 == lines_.size()) Fail(first, "the data goes on past the end of the file");
        line.pop_back();
        line += TrimLeft(lines_[++i]);
      }
      if (keys.empty()) Fail(first, "a value before the first [key] line");
      if (keys.back().remove) Fail(first, "a value below a key being deleted");
      keys.back().values.push_back(ValueLine(first, line));
    }
    return keys;
  }

 private:
  [[noreturn]] void Fail(size_t line, const std::string& why) {
    throw RegFileError("line " + std::to_string(line + 1) + ": " + why);
  }

  RegFileKey KeyLine(size_t n, const std::string& line) {
    if (line.back() != ']') Fail(n, "a key line must end with \"]\"");
    RegFileKey key;
    std::string name = line.substr(1, line.size() - 2);
    if (!name.empty() && name[0] == '-') {
      key.remove = true;
      name.erase(0, 1);
    }
    if (name.empty()) Fail(n, "empty key name");
    key.name = name;
    return key;
  }

  // A quoted text at pos; pos ends after the closing quote.
  std::string QuotedText(size_t n, const std::string& line, size_t& pos) {
    std::string text;
    for (++pos; pos < line.size(); ++pos) {
      char c = line[pos];
      if (c == '"') {
        ++pos;
        return text;
      }
      if (c == '\\' && pos + 1 < line.size() && (line[pos + 1] == '\\' || line[pos + 1] == '"')) c = line[++pos];
      text += c;
    }
    Fail(n, "missing closing quote");
  }

  RegFileValue ValueLine(size_t n, const std::string& line) {
    RegFileValue entry;
    size_t pos = 0;
    if (line[0] == '@') {
      pos = 1;
    } else if (line[0] == '"') {
      entry.value.name = QuotedText(n, line, pos);
    } else {
      Fail(n, "expected \"name\"=value or @=value");
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '=') Fail(n, "expected \"=\" after the value name");
    std::string data = TrimLeft(line.substr(pos + 1));
    if (data == "-") {
      entry.remove = true;
      return entry;
    }
    if (!data.empty() && data[0] == '"') {
      size_t end = 0;
      entry.value.type = platform::kRegSz;
      entry.value.data = QuotedText(n, data, end);
      if (!TrimLeft(data.substr(end)).empty()) Fail(n, "text after the closing quote");
      return entry;
    }
    std::string lower;
    for (char c : data) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.rfind("dword:", 0) == 0) {
      std::string digits = data.substr(6);
      if (digits.empty() || digits.size() > 8) Fail(n, "a dword needs 1 to 8 hex digits");
      uint32_t number = 0;
      for (char c : digits) number = (number << 4) | HexDigit(n, c);
      entry.value.type = platform::kRegDword;
      for (int i = 0; i < 4; ++i) entry.value.data += static_cast<char>((number >> (8 * i)) & 0xFF);
      return entry;
    }
    size_t colon = data.find(':');
    if (lower.rfind("hex:", 0) == 0) {
      entry.value.type = platform::kRegBinary;
    } else if (lower.rfind("hex(", 0) == 0 && colon != std::string::npos && colon > 5 && data[colon - 1] == ')') {
      std::string digits = data.substr(4, colon - 5);
      if (digits.size() > 8) Fail(n, "bad value type in hex(...)");
      uint32_t type = 0;
      for (char c : digits) type = (type << 4) | HexDigit(n, c);
      entry.value.type = type;
    } else {
      Fail(n, "unknown data form; expected \"text\", dword:, hex: or hex(type):");
    }
    entry.value.data = HexBytes(n, data.substr(colon + 1));
    if (entry.value.type == platform::kRegSz || entry.value.type == platform::kRegExpandSz ||
        entry.value.type == platform::kRegMultiSz)
      entry.value.data = StoredText(entry.value.type, entry.value.data);
    return entry;
  }

  uint32_t HexDigit(size_t n, char c) {
    if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<uint32_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<uint32_t>(c - 'A' + 10);
    Fail(n, std::string("not a hex digit: '") + c + "'");
  }

  std::string HexBytes(size_t n, const std::string& text) {
    std::string bytes;
    size_t start = 0;
    if (TrimLeft(text).empty()) return bytes;
    while (start <= text.size()) {
      size_t end = text.find(',', start);
      if (end == std::string::npos) end = text.size();
      std::string digits = TrimRight(TrimLeft(text.substr(start, end - start)));
      if (digits.empty() || digits.size() > 2) Fail(n, "expected hex bytes separated by commas");
      uint32_t byte = 0;
      for (char c : digits) byte = (byte << 4) | HexDigit(n, c);
      bytes += static_cast<char>(byte);
      start = end + 1;
    }
    return bytes;
  }

  // Text types in hex form are UTF-16LE in version 5 files and 8-bit text in REGEDIT4 ones;
  // the store keeps 8-bit text without the terminator (a multi-string keeps its zeros).
  std::string StoredText(uint32_t type, const std::string& bytes) {
    std::string text = unicode_ ? Utf16LeToUtf8(bytes) : ValidText(bytes);
    if (type != platform::kRegMultiSz && !text.empty() && text.back() == '\0') text.pop_back();
    return text;
  }

  std::vector<std::string> lines_;
  bool unicode_ = false;
};

}  // namespace

std::vector<RegFileKey> ParseRegFile(const std::string& bytes) { return Parser(Decode(bytes)).Parse(); }

std::string WriteRegFile(const std::vector<RegFileKey>& keys) {
  std::string text = std::string(kVersion5) + "\r\n\r\n";
  for (const auto& key : keys) {
    text += "[" + std::string(key.remove ? "-" : "") + key.name + "]\r\n";
    for (const auto& value : key.values) text += value.remove ? Quote(value.value.name) + "=-\r\n" : FormatValue(value.value) + "\r\n";
    text += "\r\n";
  }
  return text;
}

}  // namespace quillset::reg
