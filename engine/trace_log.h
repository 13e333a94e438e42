// The trace log: one line per phase of start-up and shutdown, each ending CR LF; UTF-16LE
// without byte-order mark on NT-family systems, 8-bit text otherwise.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/system.h"

namespace quillset::engine {

class TraceLog {
 public:
  TraceLog(platform::FileSystem& files, platform::System& system)
      : files_(files), system_(system), utf16_(system.GetOsVersion().nt_family) {}

  // The path is refreshed from the command line and, before every statement, from LOGGED. A
  // path is made full when it is first given, so that it keeps naming the same file when the
  // current folder changes (an installer run makes the support folder current).
  void SetPath(const std::string& path);
  const std::string& path() const { return path_; }

  // Appends one line; does nothing while the path is empty. The first write of the run creates
  // or empties the file. A log that cannot be written is skipped: logging never stops a setup.
  void Write(const std::string& line);

 private:
  platform::FileSystem& files_;
  platform::System& system_;
  std::string given_path_;
  std::string path_;
  bool utf16_;
  bool first_write_ = true;
};

}  // namespace quillset::engine
