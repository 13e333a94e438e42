// The edits that adapt the generic package to the run just before the installer receives it,
// made in place through the installer's database functions: the recorded installer properties,
// translated shortcut and file type texts, the platform of the architecture mode, the word
// count, and a new instance's product code, package code and component identifiers.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "msi/instance_transform.h"
#include "platform/installer.h"

namespace quillset::msi {

// Installer properties waiting to be written into the package: (name, value) in order, values
// with their line breaks encoded as "$NEWLINE$".
using PendingProperties = std::vector<std::pair<std::string, std::string>>;

inline constexpr int32_t kComponentAttributes64Bit = 0x100;
// The word count the edits leave: long file names, no administrative image, no elevated
// privileges needed; the package's own compressed bit is kept.
inline constexpr int32_t kWordCountNoElevation = 8;
inline constexpr int32_t kWordCountCompressed = 2;

// The platform of the summary template for an architecture mode, and whether the components
// are 64-bit. "Win32" and any unknown mode give the 32-bit platform.
struct PackagePlatform {
  const char* name;
  bool components_64bit;
};
PackagePlatform PlatformOfMode(std::string_view architecture_mode);

// Each edit opens the package in direct mode, runs its statements and commits. An edit that
// cannot open the package is left undone and answers false; the installer run goes on and the
// installer reports what follows from it. Single statements that fail have no effect.
//
// Texts are placed in SQL string literals, which have no escape: a text holding "'" would end
// its literal early, so the statement that would carry it is not run.
class PackageEditor {
 public:
  PackageEditor(platform::InstallerFunctions& functions, std::string package_path)
      : f_(functions), package_(std::move(package_path)) {}

  // Triples (folder key, name, description): the name and description of the shortcuts whose
  // folder is the key.
  bool ApplyShortcutEdits(const std::vector<std::string>& triples);
  // Triples (ProgId, new ProgId, description): the description, then the new key.
  bool ApplyFileTypeEdits(const std::vector<std::string>& triples);
  // Writes the list into the Property table in order (a later value of a name wins; "'" in a
  // value becomes "$QUOTE$", "$NEWLINE$" a real line break) and empties it. After a transform
  // also renews the component identifiers (once) and writes the instance's product code and
  // package code.
  bool WritePendingProperties(PendingProperties& pending, InstanceState& instance, GuidSource& guids);
  // The template's platform follows the mode; when it changes, so does every component's
  // 64-bit attribute.
  bool ApplyPlatform(std::string_view architecture_mode);
  bool MarkWordCount();

 private:
  platform::InstallerFunctions& f_;
  std::string package_;
};

// Everything one installer run edits, in the order the run needs.
struct PackageEditInputs {
  std::string package_path;
  bool patch_mode;       // a patch package: none of the edits apply to it
  bool language_in_use;  // the shortcut and file type texts are translated
  const std::vector<std::string>& shortcut_edits;
  const std::vector<std::string>& file_type_edits;
  PendingProperties& pending_properties;  // emptied once written
  std::string architecture_mode;
  InstanceState& instance;
  GuidSource& guids;
  // Told 50 before the properties are written and 100 after, for the run's progress.
  std::function<void(int position)> progress = nullptr;
};

// Translated texts (when a language is in use), the pending properties, the platform and the
// word count.
void ApplyPackageEdits(platform::InstallerFunctions& functions, PackageEditInputs& inputs);

}  // namespace quillset::msi
