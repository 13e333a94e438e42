// The installer's formatted text: [PROPERTY], [#file], [!file], [$component], [%ENV], [\x],
// [~], {…} groups, as used by Registry, Shortcut, IniFile, Environment and custom action values.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace quillset::platform::posix::installer {

struct FormatContext {
  std::function<std::optional<std::string>(const std::string& name)> property;
  std::function<std::optional<std::string>(const std::string& name)> environment;
  // The full path of a file by its File table key (the target of [#key] and [!key]).
  std::function<std::optional<std::string>(const std::string& key)> file_path;
  // The folder of a component by its Component table key ([$key]).
  std::function<std::optional<std::string>(const std::string& key)> component_folder;
};

std::string FormatText(const std::string& text, const FormatContext& context);

}  // namespace quillset::platform::posix::installer
