// Message boxes, shaped after MessageBox: style bits and answers are Windows' own.
#pragma once

#include <cstdint>
#include <string>

namespace quillset::platform {

enum MessageBoxStyle : uint32_t {
  kMbOk = 0x0,
  kMbOkCancel = 0x1,
  kMbAbortRetryIgnore = 0x2,
  kMbYesNoCancel = 0x3,
  kMbYesNo = 0x4,
  kMbRetryCancel = 0x5,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInformation = 0x40,
  kMbDefButton2 = 0x100,
  kMbDefButton3 = 0x200,
};

enum MessageBoxAnswer : int {
  kIdOk = 1,
  kIdCancel = 2,
  kIdAbort = 3,
  kIdRetry = 4,
  kIdIgnore = 5,
  kIdYes = 6,
  kIdNo = 7,
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual int MessageBox(const std::string& caption, const std::string& text, uint32_t style) = 0;
};

// The answer a message box gives when nobody presses a button: its default button.
int DefaultAnswer(uint32_t style);

}  // namespace quillset::platform
