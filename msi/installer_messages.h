// The installer's messages during an installer run: message boxes (none in a quiet run), a
// running progress state fed by the installer's progress records, the progress report after
// every message, and the cancel answer. Runs on the installer thread, inside the installer's
// calls.
//
// Progress record grammar (the text of a progress message):
//   record := field{0,4} rest
//   field  := digit1to4 ":" " " digits? any-one-character
// A field's value is its run of decimal digits (no sign; 0 when there is none), accumulated in
// 64 bits; the one character after the digits is skipped. Parsing stops at the end of the text,
// after four fields, or at anything that does not start a field. Fields count by position
// (f1..f4), missing ones are 0; the digit that opens a field is not its number.
//   f1 = 0 reset:      M := 0; T := f2 when f2 != 0; T := |T|; P := 0; S := 0;
//                      D := 1 when f3 = 0, -1 when f3 = 1, unchanged otherwise
//   f1 = 1 action info: S := 0 when f3 = 0; S := low 32 bits of f2 when f3 = 1
//   f1 = 2 report:     P := P + D * f2
//   f1 = 3 addition:   T := T + |f2|
//   other f1:          nothing
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/dialogs.h"
#include "platform/installer.h"
#include "script/message_table.h"
#include "ui/progress.h"

namespace quillset::msi {

// Kept for the whole process: the installer's own reset records reset it.
struct InstallerProgressState {
  std::string action_text;
  int64_t position = 0;  // P
  int64_t total = 0;     // T
  int64_t minimum = 0;   // M
  int32_t step = 0;      // S, ticks per action-data message
  int32_t direction = 0; // D
};

std::array<int64_t, 4> ParseProgressRecord(std::string_view text);
void ApplyProgressRecord(InstallerProgressState& state, std::string_view text);
// An action-start text without everything up to and including its first "." and the one
// character after it; the whole text when it holds no ".".
std::string ActionTextOfActionStart(std::string_view text);

class InstallerMessageHandler {
 public:
  InstallerMessageHandler(platform::Dialogs& dialogs, const script::MessageTable& messages, ui::Progress& progress,
                          InstallerProgressState& state)
      : dialogs_(dialogs), messages_(messages), progress_(progress), state_(state) {}

  // Set by the installer run before the installer is called.
  void Prepare(bool quiet, std::string caption) {
    quiet_ = quiet;
    caption_ = std::move(caption);
  }
  // One message: the message word (type in the high byte, box style in the low 24 bits) and
  // its text. Answers a message-box result, 0 for unhandled, 2 when the user has cancelled.
  int Handle(platform::UINT message_word, std::string_view text);
  // The text of the last fatal-exit or error message.
  const std::string& last_error_text() const { return last_error_text_; }
  void ClearLastErrorText() { last_error_text_.clear(); }

  // The function registered with MsiSetExternalUIA; the context is the handler.
  static int Callback(void* context, platform::UINT message_word, platform::LPCSTR text);

 private:
  int Box(size_t prefix_message, std::string_view text, uint32_t style);

  platform::Dialogs& dialogs_;
  const script::MessageTable& messages_;
  ui::Progress& progress_;
  InstallerProgressState& state_;
  bool quiet_ = false;
  std::string caption_;
  std::string last_error_text_;
};

}  // namespace quillset::msi
