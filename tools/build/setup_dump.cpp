#include "tools/build/setup_dump.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "script/image_locator.h"
#include "tools/build/build_error.h"

namespace quillset::build {
namespace fs = std::filesystem;
namespace {

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string At(const std::vector<std::string>& list, size_t n) {
  return n < list.size() ? list[n] : std::string();
}

// Records carry no length: a record runs from its identifier's line (the last one, as lookups
// take it) to the next record's identifier line.
std::vector<std::vector<std::string>> SplitRecords(const script::LoadedScript& script) {
  std::map<std::string, size_t> wanted;  // upper-cased identifier -> statement
  for (size_t n = 0; n < script.statement_count(); ++n)
    wanted.emplace(Upper(At(script.identifiers, n)), n);
  std::map<size_t, size_t> start_of;  // statement -> line of its record
  for (size_t line = 0; line < script.parameter_text.size(); ++line) {
    auto found = wanted.find(Upper(script.parameter_text[line]));
    if (found != wanted.end()) start_of[found->second] = line;
  }
  std::vector<size_t> starts;
  for (const auto& entry : start_of) starts.push_back(entry.second);
  std::sort(starts.begin(), starts.end());

  std::vector<std::vector<std::string>> records(script.statement_count());
  for (const auto& [statement, start] : start_of) {
    auto next = std::upper_bound(starts.begin(), starts.end(), start);
    size_t end = next == starts.end() ? script.parameter_text.size() : *next;
    records[statement].assign(script.parameter_text.begin() + static_cast<long>(start) + 1,
                              script.parameter_text.begin() + static_cast<long>(end));
  }
  return records;
}

}  // namespace

script::LoadedScript ReadSetupScript(const std::string& setup_path) {
  std::ifstream in(setup_path, std::ios::binary);
  if (!fs::is_regular_file(setup_path) || !in) throw BuildError(setup_path, 0, "cannot read the setup");
  std::ostringstream buffer;
  buffer << in.rdbuf();
  const std::string bytes = buffer.str();
  script::ByteReader read = [&bytes](uint64_t offset, uint64_t length, std::string& out) {
    if (offset > bytes.size() || length > bytes.size() - offset) return false;
    out.assign(bytes, offset, length);
    return true;
  };
  script::ImageSize image = script::LocateImageEnd(read, bytes.size());
  if (!image.size) throw BuildError(setup_path, 0, "not a setup program: " + image.error);
  if (*image.size >= bytes.size()) throw BuildError(setup_path, 0, "no script is appended");
  script::LoadResult loaded = script::LoadScript(std::string_view(bytes).substr(*image.size));
  if (!loaded.ok) throw BuildError(setup_path, 0, "the appended script is damaged: " + loaded.error);
  return std::move(loaded.script);
}

Project ProjectFromScript(const script::LoadedScript& script, const std::string& setup_path) {
  Project project;
  fs::path setup(setup_path);
  project.file = "setup.qsp";
  project.base = setup.stem().string();
  bool only_patch = !fs::exists(setup.parent_path() / (project.base + ".msi")) &&
                    fs::exists(setup.parent_path() / (project.base + ".msp"));
  project.package = project.base + (only_patch ? ".msp" : ".msi");
  project.support = "support";

  project.product_code = script.product_code;
  project.revision_code = script.revision_code;
  project.title = script.script_title;
  project.media_mode = script.media_mode;
  project.language_dialog = script.language_dialog;
  project.default_language = script.default_language;
  project.company = script.company;
  project.contact = script.contact;
  project.help_link = script.help_link;
  project.update_link = script.update_link;
  project.comments = script.comments;
  project.version = script.version;
  project.plugin_commands = script.plugin_commands;
  project.web_media_passwords = script.web_media_passwords;
  project.component_definitions = script.component_definitions;
  project.web_media_files = script.web_media_files;
  project.compiler_variables = script.compiler_variables;

  std::vector<std::vector<std::string>> records = SplitRecords(script);
  for (size_t n = 0; n < script.statement_count(); ++n) {
    Statement statement;
    statement.command = script.commands[n];
    statement.parameters = std::move(records[n]);
    statement.identifier = At(script.identifiers, n);
    std::string header = script.CommandHeader(n);
    if (!header.empty()) statement.header = header;
    statement.media = At(script.statement_media, n);
    statement.disabled = At(script.disabled_flags, n) == "C";
    project.statements.push_back(std::move(statement));
  }
  return project;
}

}  // namespace quillset::build
