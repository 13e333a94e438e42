// What a statement's handler works with: the engine's state it may read and change, and the
// statement being run. Handlers report failures by throwing an exception with the message.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "commands/component_model.h"
#include "commands/random.h"
#include "media/seven_zip_wrap.h"
#include "platform/platform.h"
#include "script/loaded_script.h"
#include "script/localization.h"
#include "script/message_table.h"
#include "ui/progress.h"
#include "vars/variable_store.h"

namespace quillset::msi {
struct InstanceContext;
}

namespace quillset::commands {

struct InstallerCommandContext;

// Installer properties in the order they are to be written into the package: name, value.
using PropertyList = std::vector<std::pair<std::string, std::string>>;

// Texts that the installer run patches into the package when a language is in use: triples of
// lines, each list only growing during the run.
struct PackageEdits {
  std::vector<std::string> shortcuts;   // folder key, "short~1|long" name, description
  std::vector<std::string> file_types;  // ProgId as stored, new ProgId, description
};

// References into the engine context; filled once per run.
struct EngineServices {
  platform::Platform& platform;
  vars::VariableStore& variables;
  const script::LoadedScript& script;
  const script::MessageTable& messages;
  const script::Localization& localization;
  ui::Progress& progress;
  // Variables kept for maintenance runs, in the order first seen.
  std::vector<std::string>& persisted_variables;
  // The engine's temporary folder, with a trailing backslash.
  const std::string& temp_folder;
  // The generator of "Mathematics", one per run.
  RandomGenerator& random;
  // The archive library's wrapper, shared with start-up.
  media::SevenZipWrap& archives;
  // The components, kept for the whole process, and the architecture mode saved with them.
  ComponentModel& components;
  std::string& architecture_mode;
  // What installer-side statements record: per statement "SKIP", "FALSE" (not reached yet) or
  // "TRUE"; the properties for the package; the parameter file's lines (alternately name and
  // value); the package edits.
  std::vector<std::string>& deferral;
  PropertyList& pending_properties;
  std::vector<std::string>& parameter_file;
  PackageEdits& package_edits;
  // The product identity "Transform Instance" renews; null in runs without an installer package.
  msi::InstanceContext* instance = nullptr;
  // What the installer statements need from the engine; null where a run has no installer.
  InstallerCommandContext* installer = nullptr;
};

class Statement {
 public:
  Statement(EngineServices& services, size_t number) : services(services), number(number) {}

  EngineServices& services;
  const size_t number;  // 0-based position in the script

  const std::string& command() const { return services.script.commands[number]; }
  const std::string& identifier() const { return services.script.identifiers[number]; }
  std::string Parameter(size_t k) const { return services.script.StatementParameter(number, k); }
  // The assignment context of this statement's SetVariable calls.
  std::string Context() const { return command() + " Action"; }
  // A translatable text of this statement: its localized form while a language is in effect.
  std::string Translate(const std::string& text, size_t slot) const;

  // The variable named by a result-variable parameter ($NAME$ or a bare name); when it does not
  // exist yet it is created empty under the name in upper case. Answers the name to assign.
  std::string ResultVariable(const std::string& parameter) const;
  void Assign(const std::string& name, const std::string& value) const {
    services.variables.SetVariable(name, value, Context());
  }
};

using Handler = void (*)(Statement&);

// Command names (compared exactly) to their handlers.
class CommandTable {
 public:
  void Add(std::string command, Handler handler) { handlers_[std::move(command)] = handler; }
  Handler Find(const std::string& command) const {
    auto found = handlers_.find(command);
    return found == handlers_.end() ? nullptr : found->second;
  }

 private:
  std::unordered_map<std::string, Handler> handlers_;
};

}  // namespace quillset::commands
