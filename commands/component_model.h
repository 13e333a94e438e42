// The components the user may choose: parallel lists of names kept in definition order.
//
// A component is named by a path of segments joined by "\" ("Program\Help"); its ancestors are
// the texts before each of its backslashes, nearest first. Names compare without regard to case
// and every lookup takes the first match. The component definitions are pairs of lines (name,
// size in bytes as a decimal 64-bit integer): loaded from the script, extended at run time and
// kept for the whole process; clearing the components leaves them alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillset::commands {

// Defined selected by every run; trees and check lists never show it (compared exactly).
inline constexpr std::string_view kPredefinedComponent = "KVOR-PREDEF-COMPONENT";

class ComponentModel {
 public:
  // Component, state, description, deleted, hidden and locked lists become empty.
  void ClearComponents();
  // Index of the first component of that name, -1 when there is none.
  int64_t ComponentIndex(std::string_view name) const;
  // Defines a component, or brings a defined one back from the deleted list and replaces its
  // description. An existing non-empty state is kept, so states restored from the engine cache
  // survive the script's definitions.
  void DefineComponent(const std::string& name, const std::string& description, bool selected);

  bool IsComponentDeleted(std::string_view name) const;  // the name itself only
  bool IsComponentHidden(std::string_view name) const;   // the name or an ancestor
  bool IsComponentLocked(std::string_view name) const;   // the name or an ancestor
  // Defined, not deleted, and its state is true.
  bool GetComponentState(std::string_view name) const;
  // Undefined names and indexes out of range change nothing.
  void SetComponentState(std::string_view name, bool selected);
  void SetComponentStateAt(size_t index, bool selected);
  std::string GetComponentDescription(std::string_view name) const;

  // The size of the first definition of that name, 0 without one. A size that is not an
  // integer throws vars::IntegerConversionError.
  int64_t GetComponentSize(std::string_view name) const;
  // The sizes of the selected components that are not deleted.
  int64_t SelectedSize() const;
  // What the current selection needs beyond what is installed; negative when less.
  int64_t RequiredSpace() const;
  void set_installed_size(int64_t size) { installed_size_ = size; }
  int64_t installed_size() const { return installed_size_; }

  // A defined component joins the deleted list once; it keeps its other entries.
  void DeleteComponent(const std::string& name);
  // Replaces the size of the first definition of a defined component, or adds a definition.
  // Nothing happens for an undefined name or a size that is no 64-bit integer.
  void SetComponentSpace(const std::string& name, std::string_view size);
  // Locking and hiding apply to everything below the component too. Unlocking and showing
  // remove the first entry of that name; locking and hiding add a defined name once.
  void SetComponentChoice(const std::string& name, bool may_change) { SetFlag(locked_, name, !may_change); }
  void SetComponentVisibility(const std::string& name, bool visible) { SetFlag(hidden_, name, !visible); }
  // Appends definition lines (name, size) as they stand.
  void AddDefinition(std::string name, std::string size);

  // Restoring from the engine cache data: the lists are appended to, then the state list is
  // made parallel to the names again (missing states empty, surplus ones dropped).
  void AppendLists(const std::vector<std::string>& names, const std::vector<std::string>& states,
                   const std::vector<std::string>& deleted, const std::vector<std::string>& hidden,
                   const std::vector<std::string>& locked);
  // Merging a feature selection: every defined name of the file takes its state from it; the
  // deleted, hidden and locked lists are replaced.
  void MergeLists(const std::vector<std::string>& names, const std::vector<std::string>& states,
                  std::vector<std::string> deleted, std::vector<std::string> hidden, std::vector<std::string> locked);
  void SetDefinitions(std::vector<std::string> definitions) { definitions_ = std::move(definitions); }

  const std::vector<std::string>& names() const { return names_; }
  const std::vector<std::string>& states() const { return states_; }
  const std::vector<std::string>& descriptions() const { return descriptions_; }
  const std::vector<std::string>& definitions() const { return definitions_; }
  const std::vector<std::string>& deleted() const { return deleted_; }
  const std::vector<std::string>& hidden() const { return hidden_; }
  const std::vector<std::string>& locked() const { return locked_; }

 private:
  // Position of the name line of the first definition of that name, npos when none. Only name
  // lines are compared: a component named like a size must not match another's size line.
  size_t DefinitionLine(std::string_view name) const;
  bool InListOrAncestors(const std::vector<std::string>& list, std::string_view name) const;
  void SetFlag(std::vector<std::string>& list, const std::string& name, bool add);

  std::vector<std::string> names_, states_, descriptions_, definitions_, deleted_, hidden_, locked_;
  int64_t installed_size_ = 0;
};

// The text before the last backslash, or empty for a name without one.
std::string_view ComponentParent(std::string_view name);
// Whether the list holds the text, compared without regard to case.
bool ContainsName(const std::vector<std::string>& list, std::string_view name);

}  // namespace quillset::commands
