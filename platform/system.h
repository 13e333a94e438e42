// System facts and process-level services the engine asks of Windows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillset::platform {

struct OsVersion {
  uint32_t major = 6;
  uint32_t minor = 1;
  uint32_t build = 7601;
  bool nt_family = true;
  std::string service_pack;  // e.g. "Service Pack 1"; empty for none
  uint32_t service_pack_major = 0;
  uint32_t service_pack_minor = 0;
};

// Folders the Windows shell knows by CSIDL number; the values are Windows' own.
enum class SpecialFolder : int {
  kDesktop = 0x0000,
  kPrograms = 0x0002,
  kPersonal = 0x0005,  // the user's documents
  kStartup = 0x0007,
  kStartMenu = 0x000b,
  kDesktopDirectory = 0x0010,
  kFonts = 0x0014,
  kCommonStartMenu = 0x0016,
  kCommonPrograms = 0x0017,
  kCommonStartup = 0x0018,
  kCommonDesktopDirectory = 0x0019,
  kAppData = 0x001a,
  kLocalAppData = 0x001c,
  kCommonAppData = 0x0023,
  kWindows = 0x0024,
  kSystem = 0x0025,
  kProgramFiles = 0x0026,
  kProgramFilesX86 = 0x002a,
  kCommonProgramFiles = 0x002b,
  kCommonDocuments = 0x002e,
  kProfile = 0x0028,
};

class System {
 public:
  virtual ~System() = default;

  // Full Windows path of the running executable.
  virtual std::string ExecutablePath() = 0;
  // The process command line as Windows would hand it to GetCommandLine: the program name,
  // then the arguments, each quoted where it holds blanks or is empty.
  virtual std::string CommandLine() = 0;
  // The user's temporary folder with a trailing backslash (GetTempPath).
  virtual std::string TempFolder() = 0;
  // A special folder with a trailing backslash, or empty when the system has none.
  virtual std::string SpecialFolderPath(SpecialFolder folder) = 0;
  virtual std::string CurrentDirectory() = 0;
  // SetCurrentDirectory: false when the folder does not exist.
  virtual bool SetCurrentDirectory(const std::string& path) = 0;
  virtual std::optional<std::string> GetEnvironmentVariable(const std::string& name) = 0;
  // The process's environment block: every entry "NAME=VALUE" in the block's order.
  virtual std::vector<std::string> EnvironmentBlock() = 0;

  virtual OsVersion GetOsVersion() = 0;
  virtual bool IsAdministrator() = 0;
  virtual bool IsElevated() = 0;
  virtual bool Is64BitSystem() = 0;   // the engine then runs as a 32-bit process under WOW64
  virtual std::string UserName() = 0;
  virtual std::string ComputerName() = 0;
  // The Windows language identifier of the user's default UI language (1033 for English).
  virtual uint32_t UserDefaultUiLanguage() = 0;

  // Binds the process to its first processor (SetProcessAffinityMask with mask 1).
  virtual void BindToFirstProcessor() = 0;
  virtual uint64_t TickCountMs() = 0;
  virtual void SleepMs(uint32_t milliseconds) = 0;

  // Today's date in the system's short date format, the time in its long time format.
  virtual std::string ShortDate() = 0;
  virtual std::string LongTime() = 0;

  // Text in the system's ANSI code page to UTF-16LE bytes (no byte-order mark).
  virtual std::string AnsiToUtf16Le(const std::string& text) = 0;
};

}  // namespace quillset::platform
