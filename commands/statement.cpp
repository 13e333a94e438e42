#include "commands/statement.h"

namespace quillset::commands {

std::string Statement::Translate(const std::string& text, size_t slot) const {
  const auto& localization = services.localization;
  if (!localization.active()) return text;
  return services.variables.Expand(localization.Translate(services.script, text, identifier(), slot));
}

std::string Statement::ResultVariable(const std::string& parameter) const {
  std::string name = vars::StripReference(parameter);
  if (name.empty()) name = parameter;
  if (!name.empty() && !services.variables.Exists(name)) {
    std::string upper = name;
    for (char& c : upper)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    services.variables.SetVariable(upper, "", Context());
    return upper;
  }
  return name;
}

}  // namespace quillset::commands
