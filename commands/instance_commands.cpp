#include "commands/instance_commands.h"

#include <stdexcept>

#include "msi/instance_transform.h"
#include "platform/win_path.h"

namespace quillset::commands {
namespace {

// Only a run over an installed product without an instance of its own makes a new one, and
// never a run that carries a patch.
void TransformInstance(Statement& statement) {
  EngineServices& services = statement.services;
  msi::InstanceContext* instance = services.instance;
  if (!instance) throw std::runtime_error("Transform Instance: this run has no installer package");
  if (!vars::IsTrue(services.variables.GetVariable("NEWINSTANCE"))) return;
  if (services.platform.files.FileExists(platform::ChangeFileExt(instance->installer_package, ".msp"))) return;
  msi::TakeNewIdentity(instance->state, instance->guids);
  instance->bootstrap();
}

}  // namespace

void RegisterInstanceCommands(CommandTable& table) { table.Add("Transform Instance", TransformInstance); }

}  // namespace quillset::commands
