#include "msi/installer_messages.h"

#include <cstdlib>

namespace quillset::msi {
namespace {

// Engine messages that head the boxes.
constexpr size_t kFatalErrorMessage = 43;
constexpr size_t kErrorMessage = 44;
constexpr size_t kWarningMessage = 45;
constexpr size_t kOutOfDiskSpaceMessage = 48;

constexpr size_t kNoPrefix = 0;

int64_t Magnitude(int64_t value) {
  // The magnitude of the most negative total does not fit; it stays as the largest one.
  if (value == INT64_MIN) return INT64_MAX;
  return value < 0 ? -value : value;
}

int64_t Add(int64_t a, int64_t b) {
  int64_t sum;
  return __builtin_add_overflow(a, b, &sum) ? (b > 0 ? INT64_MAX : INT64_MIN) : sum;
}

}  // namespace

std::array<int64_t, 4> ParseProgressRecord(std::string_view text) {
  std::array<int64_t, 4> fields{};
  size_t at = 0;
  for (size_t field = 0; field < 4; ++field) {
    if (at + 3 > text.size() || text[at] < '1' || text[at] > '4' || text[at + 1] != ':' || text[at + 2] != ' ') break;
    at += 3;
    uint64_t value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
      value = value * 10 + static_cast<uint64_t>(text[at] - '0');  // wraps like the installer's own field
      ++at;
    }
    fields[field] = static_cast<int64_t>(value);
    ++at;  // the blank after the digits
  }
  return fields;
}

void ApplyProgressRecord(InstallerProgressState& s, std::string_view text) {
  auto f = ParseProgressRecord(text);
  switch (f[0]) {
    case 0:
      s.minimum = 0;
      if (f[1] != 0) s.total = f[1];
      s.total = Magnitude(s.total);
      s.position = 0;
      s.step = 0;
      if (f[2] == 0) s.direction = 1;
      else if (f[2] == 1) s.direction = -1;
      break;
    case 1:
      if (f[2] == 0) s.step = 0;
      else if (f[2] == 1) s.step = static_cast<int32_t>(static_cast<uint32_t>(f[1]));
      break;
    case 2:
      if (s.direction == 1) s.position = Add(s.position, f[1]);
      else if (s.direction == -1) s.position = Add(s.position, f[1] == INT64_MIN ? INT64_MAX : -f[1]);
      break;
    case 3:
      s.total = Add(s.total, Magnitude(f[1]));
      break;
    default:
      break;
  }
}

std::string ActionTextOfActionStart(std::string_view text) {
  size_t dot = text.find('.');
  if (dot == std::string_view::npos) return std::string(text);
  size_t from = dot + 2;
  return from >= text.size() ? std::string() : std::string(text.substr(from));
}

int InstallerMessageHandler::Box(size_t prefix_message, std::string_view text, uint32_t style) {
  std::string body = prefix_message == kNoPrefix ? std::string(text)
                                                 : messages_.Get(prefix_message) + "\r\r" + std::string(text);
  return dialogs_.MessageBox(caption_, body, style);
}

int InstallerMessageHandler::Handle(platform::UINT message_word, std::string_view text) {
  const platform::UINT type = message_word >> 24;
  const uint32_t style = message_word & 0xFFFFFF;
  int answer = 0;
  switch (type) {
    case 0:  // fatal exit
      last_error_text_ = std::string(text);
      answer = quiet_ ? 0 : Box(kFatalErrorMessage, text, style | platform::kMbIconError);
      break;
    case 1:  // error
      last_error_text_ = std::string(text);
      answer = quiet_ ? 1 : Box(kErrorMessage, text, style | platform::kMbIconError);
      break;
    case 2:  // warning
      answer = quiet_ ? 1 : Box(kWarningMessage, text, style | platform::kMbIconWarning);
      break;
    case 3:  // user request
      answer = quiet_ ? 1 : Box(kNoPrefix, text, style | platform::kMbIconQuestion);
      break;
    case 7:  // out of disk space
      answer = quiet_ ? 1 : Box(kOutOfDiskSpaceMessage, text, style | platform::kMbIconError);
      break;
    case 6:  // resolve source: left to the installer
      answer = 0;
      break;
    case 8:
      state_.action_text = ActionTextOfActionStart(text);
      answer = 1;
      break;
    case 9:
      state_.action_text = std::string(text);
      state_.position = Add(state_.position, state_.step);
      answer = 1;
      break;
    case 10:
      if (!text.empty()) ApplyProgressRecord(state_, text);
      answer = 1;
      break;
    case 4:   // information
    case 11:  // common data
    case 12:  // initialize
    case 13:  // terminate
    case 14:  // show dialog
      answer = 1;
      break;
    default:
      answer = 0;
      break;
  }
  if (!progress_.ReportInstallerProgress(state_.action_text, state_.minimum, state_.total, state_.position))
    return platform::kIdCancel;
  return answer;
}

int InstallerMessageHandler::Callback(void* context, platform::UINT message_word, platform::LPCSTR text) {
  return static_cast<InstallerMessageHandler*>(context)->Handle(message_word, text ? text : "");
}

}  // namespace quillset::msi
