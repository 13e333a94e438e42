// The engine's one variable store with the helpers every statement uses: the assignment rule
// that protects command-line values in silent runs, truth values, references, path expansion,
// line-break encoding and the snapshot text handed to plug-ins.
//
// Snapshot text: the lines name, value, name, value, ... joined by ",". A line holding a
// character 0-32, a double quote or a comma is written in double quotes with inner quotes
// doubled. Reading: characters 1-32 before and after a line are skipped; a quoted line runs to
// its closing quote ("" inside is one quote); any other line runs to the next comma or
// character 0-32; one comma separates lines and a comma at the very end adds an empty line; a
// NUL ends the text. An odd last line is ignored.
#pragma once

#include <atomic>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "vars/variable_manager.h"

namespace quillset::vars {

// The assignment context of the command-line injection: the one context that may overwrite
// command-line values in a silent run.
inline constexpr std::string_view kInjectOverrideCommandLine = "Inject Override Command Line";
// The value of a reference to an undefined variable.
inline constexpr std::string_view kUndefinedReference = "$KVORNX$";

using OverrideList = std::vector<std::pair<std::string, std::string>>;

class VariableStore {
 public:
  VariableStore();

  TVariableManager& manager() { return manager_; }
  const TVariableManager& manager() const { return manager_; }

  // The silent flag is refreshed before every statement; workers read it while they assign.
  void SetSilent(bool silent) { silent_.store(silent); }
  bool silent() const { return silent_.load(); }
  // The command-line override list, set once at start-up before any worker runs.
  void SetOverrides(const OverrideList& overrides);
  const OverrideList& overrides() const { return overrides_; }

  std::string GetVariable(std::string_view name) const { return manager_.GetValue(name); }
  bool Exists(std::string_view name) const { return manager_.Exists(name); }
  // The assignment rule: an empty name does nothing; in a silent run a defined variable named
  // in the override list keeps its command-line value unless the context is the injection.
  void SetVariable(std::string_view name, std::string_view value, std::string_view context);
  // For every pair of the override list, in order, SetVariable with the injection context.
  void InjectOverrides();

  std::string Expand(std::string_view text) const { return manager_.Expand(text); }
  std::string ExpandQuoted(std::string_view text) const { return manager_.ExpandQuoted(text); }
  // Expand, then every doubled backslash collapsed to one; a leading "\\" stays.
  std::string ExpandPath(std::string_view text) const;
  // The expanded value of the variable named by the text ($NAME$ or a plain name), or
  // "$KVORNX$" when it is not defined.
  std::string ReferenceValue(std::string_view text) const;
  std::string ReferenceValueOrEmpty(std::string_view text) const;

  std::string SaveVariables() const;
  void LoadVariables(std::string_view text);

 private:
  TVariableManager manager_;
  std::atomic<bool> silent_{false};
  OverrideList overrides_;
  std::unordered_set<std::string> override_names_;  // upper case
};

// "TRUE" in any case, or exactly "-1".
bool IsTrue(std::string_view text);
std::string BoolText(bool value);
// NAME of a text "$NAME$" whose only other "$" is the last character; otherwise empty.
std::string StripReference(std::string_view text);
// CR LF <-> "$NEWLINE$" (the marker found without regard to case when decoding).
std::string EncodeNewlines(std::string_view text);
std::string DecodeNewlines(std::string_view text);
// The snapshot line list as text, and back.
std::string JoinSnapshotLines(const std::vector<std::string>& lines);
std::vector<std::string> SplitSnapshotText(std::string_view text);

}  // namespace quillset::vars
