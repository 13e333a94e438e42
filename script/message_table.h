// The engine's 115 localizable messages, addressed by line number (1-based).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillset::script {

class MessageTable {
 public:
  static constexpr size_t kCount = 115;
  MessageTable();  // the English defaults
  const std::string& Get(size_t line) const;  // 1-based; empty outside 1..115
  void Set(size_t line, std::string text);
  // Loads a message file (CR LF text): the first block of 115 lines, then language entries
  // (a header line and 115 lines) up to the one named like the user's UI language; without a
  // match the last block stays in force. Lines 91 to 111 are read and dropped.
  void LoadMessageFile(std::string_view text, std::string_view user_language_name);

 private:
  std::array<std::string, kCount> lines_;
};

// Language names and Windows language identifiers of the engine's table. An unknown name
// converts to 1033, an unknown identifier to the empty name.
uint32_t LanguageIdOfName(std::string_view name);
std::string LanguageNameOfId(uint32_t id);

// Message numbers used by start-up.
enum Message : size_t {
  kMsgSetupResourceNotFound = 2,
  kMsgSetupResourceDecompressionFailure = 3,
  kMsgSetupDatabaseNotFound = 4,
  kMsgRuntimeErrorInInstall = 5,
  kMsgRuntimeErrorInScript = 20,
  kMsgComplete = 21,
  kMsgWizard = 23,
  kMsgPreparing = 24,
};

}  // namespace quillset::script
