// The engine's 115 localizable messages, addressed by line number (1-based), and the language
// names the engine knows.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillset::script {

class MessageTable {
 public:
  static constexpr size_t kCount = 115;
  // Lines 91 to 111 are reserved: message files carry them, the engine never uses them.
  static constexpr size_t kFirstReserved = 91;
  static constexpr size_t kLastReserved = 111;

  MessageTable();  // the English defaults
  const std::string& Get(size_t line) const;  // 1-based; empty outside 1..115
  void Set(size_t line, std::string text);    // ignored outside 1..115

  // Loads a message file (CR LF text; a lone LF ends a line too): the first block of 115
  // lines, then language entries (a header line and 115 lines) up to the one whose header
  // equals the user's UI language name without regard to case; without a match the last block
  // stays in force. Reserved lines are read and dropped. A block cut short by the end of the
  // file sets the lines it has and leaves the others as they were.
  void LoadMessageFile(std::string_view text, std::string_view user_language_name);

  // The table as a message file: 115 lines, each ending with CR LF.
  std::string ToMessageFile() const;

 private:
  std::array<std::string, kCount> lines_;
  std::string empty_;
};

// Language names and Windows language identifiers of the engine's table. Names compare without
// regard to case. An unknown name converts to 1033, an unknown identifier to the empty name.
uint32_t LanguageIdOfName(std::string_view name);
std::string LanguageNameOfId(uint32_t id);

// Message numbers used by start-up.
enum Message : size_t {
  kMsgSetupResourceNotFound = 2,
  kMsgSetupResourceDecompressionFailure = 3,
  kMsgSetupDatabaseNotFound = 4,
  kMsgRuntimeErrorInInstall = 5,
  kMsgGeneralSetupFailure = 19,
  kMsgRuntimeErrorInScript = 20,
  kMsgComplete = 21,
  kMsgWizard = 23,
  kMsgPreparing = 24,
};

}  // namespace quillset::script
