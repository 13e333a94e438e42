// Which entry names and link targets an extraction may write: nothing that leaves the target
// folder, however the archive spells it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillset::zeplib {

// The components of an entry name below the target folder. "\" and "/" separate; "." and
// empty components drop out. nullopt for a name that is absolute, carries a drive or a "..",
// or names nothing.
std::optional<std::vector<std::string>> SplitEntryName(const std::string& name);

// The host form of a link's target when it stays inside the target folder from a link whose
// folder lies depth levels below it: relative, ".." only in front and at most depth of them.
// Later components never climb, so a chain of links checked this way cannot leave either.
std::optional<std::string> SafeLinkTarget(const std::string& target, size_t depth);

}  // namespace quillset::zeplib
