#include "platform/posix/posix_processes.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/win_command_line.h"

extern char** environ;

namespace quillset::platform::posix {
namespace {

class PosixProcess : public Process {
 public:
  explicit PosixProcess(pid_t pid) : pid_(pid) {}

  std::optional<uint32_t> Wait(std::optional<uint32_t> timeout_ms) override {
    if (exit_code_) return exit_code_;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms.value_or(0));
    for (;;) {
      int status = 0;
      pid_t done = waitpid(pid_, &status, timeout_ms ? WNOHANG : 0);
      if (done == pid_) {
        // A program ended by a signal reads as the shell reports it.
        exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128u + static_cast<uint32_t>(WTERMSIG(status));
        return exit_code_;
      }
      if (done < 0 && errno != EINTR) return std::nullopt;
      if (timeout_ms && std::chrono::steady_clock::now() >= deadline) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  bool Terminate() override { return !exit_code_ && kill(pid_, SIGKILL) == 0; }

 private:
  pid_t pid_;
  std::optional<uint32_t> exit_code_;
};

}  // namespace

std::unique_ptr<Process> PosixProcesses::Start(const std::string& command_line, const std::string& working_folder,
                                              std::string* error) {
  std::vector<std::string> arguments = SplitCommandLine(command_line);
  if (arguments.empty() || arguments[0].empty()) {
    if (error) *error = "No program named in the command line";
    return nullptr;
  }
  // A bare program name is looked up on the search path; anything else is a Windows path.
  bool bare = arguments[0].find_first_of("\\/:") == std::string::npos;
  std::string program = arguments[0];
  if (!bare) {
    auto host = paths_.ToHost(program);
    if (!host) {
      if (error) *error = "The program " + program + " lies on no drive";
      return nullptr;
    }
    program = *host;
  }
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  std::string folder;
  if (!working_folder.empty()) {
    auto host = paths_.ToHost(working_folder);
    folder = host ? *host : std::string();
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  }
  pid_t pid = 0;
  int failed = bare ? posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ)
                    : posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    if (error) *error = "Unable to start " + arguments[0] + ": " + std::strerror(failed);
    return nullptr;
  }
  return std::make_unique<PosixProcess>(pid);
}

std::vector<RunningProcess> PosixProcesses::List() {
  std::vector<RunningProcess> list;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code error;
    auto image = std::filesystem::read_symlink(entry.path() / "exe", error);
    std::string image_name = error ? std::string() : image.filename().string();
    if (image_name.empty()) {
      std::ifstream comm(entry.path() / "comm");
      std::getline(comm, image_name);
    }
    if (!image_name.empty()) list.push_back({static_cast<uint32_t>(std::stoul(name)), image_name});
  }
  return list;
}

bool PosixProcesses::TerminateById(uint32_t id) { return id != 0 && kill(static_cast<pid_t>(id), SIGKILL) == 0; }

}  // namespace quillset::platform::posix
