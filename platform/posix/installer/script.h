// The execution script: what the actions between InstallInitialize and InstallFinalize
// decided to do, carried out at InstallFinalize with progress over its exact total. The
// actions only plan; each step changes the machine when the script runs, recording its undo
// step in the journal first.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/posix/installer/directories.h"
#include "platform/posix/installer/journal.h"
#include "platform/posix/installer/language/condition.h"
#include "platform/posix/installer/language/formatted_text.h"
#include "platform/posix/installer/messages.h"
#include "platform/posix/installer/registration.h"
#include "platform/posix/installer/selection.h"
#include "platform/posix/installer/session.h"

namespace quillset::platform::posix::installer {

// An error that ends the installation (1603 after rollback); the text goes to the handler.
class InstallFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// The handler answered cancel (1602 after rollback).
class UserExit : public std::exception {};

// Progress of a running step: action data text and ticks; throws UserExit after a cancel.
class StepProgress {
 public:
  virtual ~StepProgress() = default;
  virtual void Advance(const std::string& data, uint64_t ticks) = 0;
};

struct ScriptStep {
  uint64_t ticks = 0;  // what the step reports in all; whatever it does not report is added after it
  std::function<void(StepProgress&)> run;
};

struct ScriptAction {
  std::string name;
  std::string description;
  std::vector<ScriptStep> steps;
  // Above 0: each step is worth this many ticks, told by its one action data message (the
  // action information announces it); 0: steps report their own ticks.
  uint64_t ticks_per_data = 0;
};

// What one registry value, shortcut, folder or removal counts for in the progress: about
// the cost of writing a small file.
inline constexpr uint64_t kTicksPerEntry = 4096;

// What the planned actions share while the script is written and run.
struct InstallContext {
  Session& session;
  Directories& directories;
  Selection& selection;
  Messenger& messenger;
  const ProductRecord* record;  // the product as installed before, or nullptr
  std::vector<ProductRecord> others;  // the other products (for shared components)
  ConditionContext conditions;
  FormatContext format;
  Journal* journal = nullptr;  // set when the script runs
  std::vector<InstalledItem> added;    // items this installation put on the machine
  std::set<InstalledItem> removed;     // items of the record it took away
  std::vector<ScriptAction> script;

  Host& host() { return session.host; }
  Journal& undo() { return *journal; }
  std::string Format(const std::string& text) const { return FormatText(text, format); }
  // The record's items of components that this installation removes, of one kind.
  std::vector<InstalledItem> ItemsToRemove(const std::string& kind) const;
  // Whether another product has the component's code installed (then its items stay).
  bool Shared(const std::string& component) const;
};

// Creates a folder with its parents, recording each folder it makes (undo and the record).
void CreateFolderRecorded(InstallContext& context, const std::string& folder);
// Writes a file's bytes into place through the journal: a file that exists is kept as a
// backup until the installation commits. The source is moved (a staged file) or copied.
void PlaceFile(InstallContext& context, const std::string& source, const std::string& target, bool move);
// Removes a file through the journal (kept as a backup until the installation commits).
void RemoveFileRecorded(InstallContext& context, const std::string& path);

}  // namespace quillset::platform::posix::installer
