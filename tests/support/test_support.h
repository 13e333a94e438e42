// Helpers shared by the tests: private temporary folders and running the built programs.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace quillset::testing {

// A fresh folder below /tmp, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

struct ProcessResult {
  int exit_code = -1;  // -1 when the process did not exit normally (signal, time-out)
  bool timed_out = false;
  std::string out;
  std::string err;
};

// Runs a program with extra environment variables (an empty value removes the variable),
// killing it after timeout_seconds.
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& environment = {},
                         int timeout_seconds = 120, const std::string& working_directory = "");

// A built program in the build's bin folder (QUILLSET_BIN).
std::string BinPath(const std::string& name);
// A file of the source tree (QUILLSET_SOURCE).
std::string SourcePath(const std::string& relative);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);

}  // namespace quillset::testing
