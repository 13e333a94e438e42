#include "platform/posix/installer/overwrite_rules.h"

namespace quillset::platform::posix::installer {

OverwriteDecision DecideOverwrite(std::string_view mode, const FileFacts& package, const FileFacts& existing) {
  auto has = [&](char letter) { return mode.find(letter) != std::string_view::npos; };
  const std::optional<FileVersion>&ours = package.version, &theirs = existing.version;
  if (has('a')) return {true, ""};
  if (has('p')) return {false, "only missing files are written (REINSTALLMODE p)"};
  if (has('c') && ours == theirs && package.size != existing.size) return {true, ""};
  if (ours && !theirs) return {true, ""};
  if (!ours && theirs)
    return {false, "the file there has a version (" + VersionText(*theirs) + ") and the package's has none"};
  if (!ours) {
    if (package.size != existing.size) return {true, ""};
    return {false, "neither file has a version and both have the same size (" + std::to_string(existing.size) + " bytes)"};
  }
  bool newer = has('o'), newer_or_same = has('e'), different = has('d');
  if (!newer && !newer_or_same && !different) newer = true;
  if ((newer && *ours > *theirs) || (newer_or_same && *ours >= *theirs) || (different && *ours != *theirs))
    return {true, ""};
  if (*ours == *theirs) return {false, "the file there has the same version (" + VersionText(*theirs) + ")"};
  return {false, "the file there has a newer version (" + VersionText(*theirs) + ") than the package's (" +
                     VersionText(*ours) + ")"};
}

}  // namespace quillset::platform::posix::installer
