#include "commands/archive_commands.h"

#include "platform/win_path.h"
#include "ui/background_work.h"
#include "vars/text_case.h"

namespace quillset::commands {
namespace {

// The inputs and outputs of one extraction worker, filled before it starts and read after
// it has finished.
struct DirectExtractMedia {
  std::string archive;
  std::string target_folder;
  std::string password;
  bool overwrite = false;
  bool keep_folders = false;
  std::string complete_text;
  std::atomic<bool> terminate_requested{false};
  bool succeeded = false;
  std::string error_text;

  void Run(EngineServices& services) {
    services.platform.files.CreateDirectories(target_folder);
    auto progress = [this, &services](const std::string& entry, int64_t done, int64_t total) {
      int64_t percent = ExtractionPercent(done, total);
      services.progress.Report(ExtractionProgressText(entry, percent, complete_text), 0, 100, percent);
      return !terminate_requested.load();
    };
    succeeded = services.archives.ExtractArchiveFiles(archive, password, target_folder, keep_folders, overwrite,
                                                      progress, error_text);
  }
};

void ExtractSevenZipArchive(Statement& statement) {
  EngineServices& services = statement.services;
  vars::VariableStore& variables = services.variables;
  DirectExtractMedia worker;
  worker.archive = variables.ExpandPath(statement.Parameter(1));
  worker.target_folder = variables.ExpandPath(statement.Parameter(2));
  const std::string result_name = statement.Parameter(3);
  worker.password = variables.Expand(statement.Parameter(4));
  worker.overwrite = vars::IsTrue(statement.Parameter(5));
  worker.keep_folders = vars::IsTrue(statement.Parameter(6));
  worker.complete_text = services.messages.Get(script::kMsgComplete);

  ui::RunBackgroundWork(services.progress, worker.terminate_requested, [&] { worker.Run(services); });

  if (result_name.empty()) return;
  if (!variables.Exists(result_name)) variables.SetVariable(vars::UpperCase(result_name), "", statement.Context());
  variables.SetVariable(result_name, worker.succeeded ? "SUCCESS" : worker.error_text, statement.Context());
}

}  // namespace

int64_t ExtractionPercent(int64_t done, int64_t total) {
  int64_t percent = total > 0 ? done * 100 / total + 1 : 1;
  return percent > 100 ? 100 : percent;
}

std::string ExtractionProgressText(const std::string& entry_name, int64_t percent, const std::string& complete_text) {
  return platform::ExtractFileName(entry_name) + ", " + std::to_string(percent) + complete_text;
}

void RegisterArchiveCommands(CommandTable& table) { table.Add("Extract 7Zip Archive", ExtractSevenZipArchive); }

}  // namespace quillset::commands
