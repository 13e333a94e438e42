// The installer's formatted text: [PROPERTY], [#file], [!file], [$component], [%ENV], [\x],
// [~], {…} groups, as used by Registry, Shortcut, IniFile, Environment and custom action values.
//
//   text      := { character | reference | group }
//   reference := "[" "\" any { any but "]" } "]"     the character after the backslash alone
//              | "[~]"                                a null character (REG_MULTI_SZ separator)
//              | "[" content "]"                      content is text itself, formatted first
//   group     := "{" text "}"
//
// A formatted reference content is looked up by its first character: "#key" and "!key" give
// the full path of the file with that File key, "$key" the folder of the component, "%NAME" the
// environment variable, anything else the property of that name. What is not known gives "".
// So [[P]] is the property named by P's value.
//
// A group without references is kept as written, braces included. A group whose references all
// resolved to non-empty values gives its text without the braces; when one of them is unknown or
// empty the whole group vanishes (and counts as unknown in an enclosing group).
//
// Brackets and braces pair up innermost first; one without a partner, and "[]", stay as they
// are. Nesting deeper than kMaxFormatDepth keeps the deeper brackets literally.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace quillset::platform::posix::installer {

inline constexpr int kMaxFormatDepth = 32;

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
