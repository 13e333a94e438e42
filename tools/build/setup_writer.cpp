#include "tools/build/setup_writer.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tools/build/build_error.h"

namespace quillset::build {
namespace fs = std::filesystem;
namespace {

std::string ShellQuote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string LowerExtension(const fs::path& path) {
  std::string extension = path.extension().string();
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return extension;
}

void Copy(const fs::path& from, const fs::path& to) {
  std::error_code error;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
  if (error) throw BuildError(to.string(), 0, "cannot copy " + from.string() + ": " + error.message());
}

void WriteEngineWithScript(const fs::path& engine, const std::string& script, const fs::path& to) {
  std::ifstream in(engine, std::ios::binary);
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  if (!in || !out) throw BuildError(to.string(), 0, "cannot write the setup program");
  out << in.rdbuf();
  out.write(script.data(), static_cast<std::streamsize>(script.size()));
  out.close();
  if (!out) throw BuildError(to.string(), 0, "cannot write the setup program");
  fs::permissions(to, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                  fs::perm_options::add);
}

// 7z adds to an archive that exists, so a stale one goes first; "." packs the folder's content
// (hidden files included) without the folder itself, and an empty folder gives an empty archive.
void PackSupportFolder(const fs::path& support, const fs::path& archive) {
  fs::remove(archive);
  std::string command = "cd " + ShellQuote(support.string()) + " && 7z a -t7z -y -bso0 -bsp0 " +
                        ShellQuote(fs::absolute(archive).string()) + " . </dev/null";
  if (std::system(command.c_str()) != 0)
    throw BuildError(archive.string(), 0, "7z could not pack the support folder " + support.string());
}

}  // namespace

void WriteSetup(const Project& project, const std::string& script, const std::string& engine,
                const std::string& out_dir) {
  fs::path project_dir = fs::path(project.file).parent_path();
  fs::path package = project_dir / project.package;
  fs::path support = project_dir / project.support;
  std::string extension = LowerExtension(package);
  if (extension != ".msi" && extension != ".msp")
    throw BuildError(project.file, project.package_line, "the package must be a .msi or .msp file");
  if (!fs::is_regular_file(package))
    throw BuildError(project.file, project.package_line, "package not found: " + package.string());
  if (!fs::is_directory(support))
    throw BuildError(project.file, project.support_line,
                     "support folder not found: " + support.string());
  fs::path zep_lib = fs::path(engine).parent_path() / "zep.lib";
  if (!fs::is_regular_file(engine)) throw BuildError(engine, 0, "engine not found");
  if (!fs::is_regular_file(zep_lib))
    throw BuildError(zep_lib.string(), 0, "zep.lib not found beside the engine");

  fs::path out = out_dir;
  std::error_code error;
  fs::create_directories(out, error);
  if (error) throw BuildError(out_dir, 0, "cannot create the output folder: " + error.message());

  WriteEngineWithScript(engine, script, out / project.base);
  PackSupportFolder(support, out / (project.base + ".res"));
  // The engine copies both kinds of package; one left from an earlier build must not travel.
  fs::remove(out / (project.base + (extension == ".msi" ? ".msp" : ".msi")));
  Copy(package, out / (project.base + extension));
  Copy(zep_lib, out / "zep.lib");
}

}  // namespace quillset::build
