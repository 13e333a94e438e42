#include "platform/posix/posix_system.h"

#include <ctime>

#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/posix/temp_folder.h"
#include "platform/posix/windows_text.h"

extern char** environ;

namespace quillset::platform::posix {

PosixSystem::PosixSystem(const Layout& layout, PathMap& paths, const MachineFacts& facts,
                         std::vector<std::string> argv)
    : layout_(layout), paths_(paths), facts_(facts), argv_(std::move(argv)) {}

std::string PosixSystem::ExecutablePath() {
  std::error_code error;
  auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? "" : paths_.ToWindows(self.string());
}

std::string PosixSystem::CommandLine() {
  std::vector<std::string> arguments = argv_;
  // The program as Windows names it; a bare name found on PATH stays as typed.
  if (!arguments.empty() && arguments[0].find('/') != std::string::npos)
    arguments[0] = paths_.ToWindows(arguments[0]);
  return BuildCommandLine(arguments);
}

std::string PosixSystem::TempFolder() {
  if (temp_folder_.empty()) temp_folder_ = paths_.ToWindows(PrivateTempFolder(layout_.temp_parent)) + "\\";
  return temp_folder_;
}

std::string PosixSystem::SpecialFolderPath(SpecialFolder folder) {
  std::string path = posix::SpecialFolderPath(layout_, paths_, facts_, folder);
  if (path.empty()) return path;
  // A hermetic machine starts empty: its folders appear when first asked for, as on Windows
  // they exist from the start.
  if (!layout_.prefix.empty())
    if (auto host = paths_.ToHost(path)) {
      std::error_code ignored;
      std::filesystem::create_directories(*host, ignored);
    }
  return path + "\\";
}

std::string PosixSystem::CurrentDirectory() { return paths_.current().ToString(); }

bool PosixSystem::SetCurrentDirectory(const std::string& path) {
  auto resolved = paths_.Resolve(path);
  auto host = paths_.ToHost(path);
  struct stat st;
  if (!resolved || !host || stat(host->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  paths_.SetCurrent(*resolved);
  return true;
}

std::optional<std::string> PosixSystem::GetEnvironmentVariable(const std::string& name) {
  if (const char* value = std::getenv(name.c_str())) return std::string(value);
  // Windows names variables without regard to case.
  std::string wanted = FoldCase(name) + "=";
  for (char** entry = environ; *entry; ++entry) {
    std::string text = *entry;
    if (text.size() >= wanted.size() && FoldCase(text.substr(0, wanted.size())) == wanted)
      return text.substr(wanted.size());
  }
  return std::nullopt;
}

std::vector<std::string> PosixSystem::EnvironmentBlock() {
  std::vector<std::string> entries;
  for (char** entry = environ; *entry; ++entry) entries.emplace_back(*entry);
  return entries;
}

void PosixSystem::BindToFirstProcessor() {
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(0, &set);
  sched_setaffinity(0, sizeof set, &set);
}

uint64_t PosixSystem::TickCountMs() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

void PosixSystem::SleepMs(uint32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

std::string PosixSystem::AnsiToUtf16Le(const std::string& text) { return Utf8ToUtf16Le(text); }

namespace {

// The locale's date or time representation of the current local time.
std::string FormatNow(const char* format) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buffer[128];
  size_t length = std::strftime(buffer, sizeof buffer, format, &local);
  return std::string(buffer, length);
}

}  // namespace

std::string PosixSystem::ShortDate() { return FormatNow("%x"); }
std::string PosixSystem::LongTime() { return FormatNow("%X"); }

}  // namespace quillset::platform::posix
