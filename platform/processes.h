// Programs the engine starts, waits for, finds and stops, shaped after CreateProcess,
// WaitForSingleObject, GetExitCodeProcess and the process list.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillset::platform {

// A started program. Dropping the object does not stop the program.
class Process {
 public:
  virtual ~Process() = default;
  // Waits up to timeout_ms (nullopt: without end); the exit code once the program has ended.
  virtual std::optional<uint32_t> Wait(std::optional<uint32_t> timeout_ms) = 0;
  virtual bool Terminate() = 0;
};

struct RunningProcess {
  uint32_t id = 0;
  std::string image_name;  // file name of the program, as Windows lists it
};

class Processes {
 public:
  virtual ~Processes() = default;
  // Starts a program from a Windows command line (the program first, quoted when it holds
  // blanks); working_folder may be empty. nullptr with error set when it cannot be started.
  virtual std::unique_ptr<Process> Start(const std::string& command_line, const std::string& working_folder,
                                         std::string* error) = 0;
  virtual std::vector<RunningProcess> List() = 0;
  // Stops every process of that id; false when there is none or it may not be stopped.
  virtual bool TerminateById(uint32_t id) = 0;
};

}  // namespace quillset::platform
