// Programs started with posix_spawn; the process list from /proc.
#pragma once

#include "platform/posix/paths/path_map.h"
#include "platform/processes.h"

namespace quillset::platform::posix {

class PosixProcesses : public Processes {
 public:
  explicit PosixProcesses(const PathMap& paths) : paths_(paths) {}
  std::unique_ptr<Process> Start(const std::string& command_line, const std::string& working_folder,
                                 std::string* error) override;
  std::vector<RunningProcess> List() override;
  bool TerminateById(uint32_t id) override;

 private:
  const PathMap& paths_;
};

}  // namespace quillset::platform::posix
