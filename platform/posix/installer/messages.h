// What an installation tells the outside: messages to the external handler registered with
// MsiSetExternalUIA (filtered by its mask, on the installing thread) and lines in the log
// enabled with MsiEnableLogA. One Messenger serves one installation; it remembers a cancel
// answer so that the installation stops at its next step.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/installer.h"
#include "platform/system.h"

namespace quillset::platform::posix::installer {

struct ExternalUi {
  INSTALLUI_HANDLERA handler = nullptr;
  DWORD filter = 0;
  void* context = nullptr;
};

struct LogSettings {
  DWORD mode = 0;          // INSTALLLOGMODE bits: 1 << message type, and the three below
  std::string host_path;   // empty: no log
  DWORD attributes = 0;    // append, flush each line
};

// The log mode bits that name no message type of their own.
inline constexpr DWORD kLogPropertyDump = 0x400;
inline constexpr DWORD kLogVerbose = 0x1000;
inline constexpr DWORD kLogExtraDebug = 0x2000;

class Messenger {
 public:
  // Opens the log (emptied first unless appending). Times come from the host's clock.
  Messenger(const ExternalUi& ui, const LogSettings& log, System& system);
  ~Messenger();
  Messenger(const Messenger&) = delete;
  Messenger& operator=(const Messenger&) = delete;

  // Delivers one message (type in the high byte, message box style in the low bits) and logs
  // it; answers the handler's answer, 0 when nobody handled it.
  int Send(UINT type, const std::string& text);

  void Initialize(const std::string& product_name, uint32_t language);
  void Terminate();
  // "Action hh:mm:ss: Name. Description", with the matching INFO lines for the log.
  void ActionStart(const std::string& name, const std::string& description);
  void ActionEnd(const std::string& name, int result);
  void ActionData(const std::string& text);
  // A progress record "1: a 2: b 3: c 4: d ".
  void Progress(int64_t f1, int64_t f2, int64_t f3 = 0, int64_t f4 = 0);
  void Info(const std::string& text);
  // Answers the handler's choice (IDOK when nobody answers).
  int Error(const std::string& text, UINT style = msi::kMbOk | msi::kMbIconError);
  // Log only: verbose lines and the property dump.
  void Verbose(const std::string& text);
  void PropertyDump(const std::map<std::string, std::string>& properties);

  bool cancelled() const { return cancelled_; }

 private:
  // The stamp "hh:mm:ss" of now.
  std::string Clock() const;
  void LogLine(const std::string& text);

  ExternalUi ui_;
  DWORD log_mode_ = 0;
  bool flush_each_line_ = false;
  bool utf16_ = false;
  int log_fd_ = -1;
  std::string pending_;  // log text not yet written when lines are not flushed one by one
  System& system_;
  bool cancelled_ = false;
};

}  // namespace quillset::platform::posix::installer
