// quillset-build: builds a setup from a project, or prints a setup's script back as a project.
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "tools/build/identity_source.h"
#include "tools/build/project_reader.h"
#include "tools/build/project_writer.h"
#include "tools/build/script_compiler.h"
#include "tools/build/setup_dump.h"
#include "tools/build/setup_writer.h"

namespace fs = std::filesystem;
using namespace quillset::build;

namespace {

constexpr const char* kUsage =
    "usage: quillset-build PROJECT -o OUTDIR [--engine PATH]\n"
    "       quillset-build dump SETUP\n";

// The engine built beside this program.
std::string DefaultEngine(const char* argv0) {
  std::error_code error;
  fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) self = fs::absolute(argv0);
  return (self.parent_path() / "quillset").string();
}

int Build(const std::string& project_path, const std::string& out_dir, const std::string& engine) {
  Project project = ReadProjectFile(project_path);
  IdentitySource identities;
  std::string script = CompileScript(project, identities);
  WriteSetup(project, script, engine, out_dir);
  std::cout << "built " << (fs::path(out_dir) / project.base).string() << " ("
            << project.statements.size() << " statements)\n";
  return 0;
}

int Dump(const std::string& setup_path) {
  Project project = ProjectFromScript(ReadSetupScript(setup_path), setup_path);
  std::cout << WriteProject(project, "Setup project of " + setup_path);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.size() == 2 && args[0] == "dump") return Dump(args[1]);
    std::string project, out_dir, engine = DefaultEngine(argv[0]);
    bool understood = true;
    for (size_t i = 0; i < args.size(); ++i) {
      if (args[i] == "-o" && i + 1 < args.size())
        out_dir = args[++i];
      else if (args[i] == "--engine" && i + 1 < args.size())
        engine = args[++i];
      else if (project.empty() && !args[i].starts_with("-"))
        project = args[i];
      else
        understood = false;
    }
    if (!understood || project.empty() || out_dir.empty()) {
      std::cerr << kUsage;
      return 2;
    }
    return Build(project, out_dir, engine);
  } catch (const std::exception& error) {
    std::cerr << "quillset-build: " << error.what() << "\n";
    return 1;
  }
}
