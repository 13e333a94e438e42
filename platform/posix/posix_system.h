// System facts from the machine profile and the host; folders through the layout.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/posix/layout.h"
#include "platform/posix/machine_facts.h"
#include "platform/posix/paths/path_map.h"
#include "platform/system.h"

namespace quillset::platform::posix {

class PosixSystem : public System {
 public:
  PosixSystem(const Layout& layout, PathMap& paths, const MachineFacts& facts, std::vector<std::string> argv);

  std::string ExecutablePath() override;
  std::string CommandLine() override;
  std::string TempFolder() override;
  std::string SpecialFolderPath(SpecialFolder folder) override;
  std::string CurrentDirectory() override;
  bool SetCurrentDirectory(const std::string& path) override;
  std::optional<std::string> GetEnvironmentVariable(const std::string& name) override;
  std::vector<std::string> EnvironmentBlock() override;
  OsVersion GetOsVersion() override { return facts_.os; }
  bool IsAdministrator() override { return facts_.administrator; }
  bool IsElevated() override { return facts_.elevated; }
  bool Is64BitSystem() override { return facts_.is_64bit; }
  std::string UserName() override { return facts_.user; }
  std::string ComputerName() override { return facts_.computer; }
  uint32_t UserDefaultUiLanguage() override { return facts_.ui_language; }
  void BindToFirstProcessor() override;
  uint64_t TickCountMs() override;
  void SleepMs(uint32_t milliseconds) override;
  std::string AnsiToUtf16Le(const std::string& text) override;
  std::string ShortDate() override;
  std::string LongTime() override;

 private:
  const Layout& layout_;
  PathMap& paths_;
  const MachineFacts& facts_;
  std::vector<std::string> argv_;
  std::string temp_folder_;  // made on first use
};

}  // namespace quillset::platform::posix
