#include "platform/posix/windows_text.h"

#include <cstdint>

namespace quillset::platform::posix {

namespace {

std::string QuoteArgument(const std::string& argument) {
  bool quote = argument.empty() || argument.find_first_of(" \t\n\v") != std::string::npos;
  std::string text = quote ? "\"" : "";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count only before a double quote: there they are doubled, and the quote escaped.
    if (c == '"') text.append(backslashes * 2 + 1, '\\');
    else text.append(backslashes, '\\');
    backslashes = 0;
    text += c;
  }
  // Before the closing quote the trailing backslashes are doubled as well.
  text.append(quote ? backslashes * 2 : backslashes, '\\');
  if (quote) text += '"';
  return text;
}

void AppendUnit(std::string& out, uint32_t unit) {
  out += static_cast<char>(unit & 0xFF);
  out += static_cast<char>(unit >> 8);
}

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::string BuildCommandLine(const std::vector<std::string>& arguments) {
  std::string line;
  for (const auto& argument : arguments) {
    if (!line.empty()) line += ' ';
    line += QuoteArgument(argument);
  }
  return line;
}

std::string Utf8ToUtf16Le(const std::string& text) {
  std::string out;
  out.reserve(text.size() * 2);
  size_t i = 0;
  while (i < text.size()) {
    auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    uint8_t lead = byte(i);
    size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                                : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    uint32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    bool valid = length > 0 && i + length <= text.size();
    for (size_t k = 1; valid && k < length; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80) valid = false;
      code = (code << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and code points above U+10FFFF are not text.
    if (valid && ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
                  (code >= 0xD800 && code <= 0xDFFF)))
      valid = false;
    if (!valid) {
      AppendUnit(out, 0xFFFD);
      ++i;
      continue;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      AppendUnit(out, 0xD800 | (code >> 10));
      AppendUnit(out, 0xDC00 | (code & 0x3FF));
    } else {
      AppendUnit(out, code);
    }
    i += length;
  }
  return out;
}

std::string Utf16LeToUtf8(const std::string& bytes) {
  std::string out;
  auto unit = [&](size_t k) {
    return static_cast<uint32_t>(static_cast<uint8_t>(bytes[k]) | (static_cast<uint8_t>(bytes[k + 1]) << 8));
  };
  size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    uint32_t code = unit(i);
    if (code >= 0xD800 && code <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    AppendUtf8(out, code);
  }
  if (i < bytes.size()) AppendUtf8(out, 0xFFFD);
  return out;
}

}  // namespace quillset::platform::posix
