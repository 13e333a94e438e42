#include "commands/component_model.h"

#include <algorithm>

#include "vars/integer_text.h"
#include "vars/text_case.h"
#include "vars/variable_store.h"

namespace quillset::commands {
namespace {

// Sizes come from the script and the cache data; their sum wraps as 64-bit arithmetic does
// rather than overflowing.
int64_t WrappingAdd(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}

void RemoveFirst(std::vector<std::string>& list, std::string_view name) {
  auto found = std::find_if(list.begin(), list.end(), [&](const std::string& entry) { return vars::EqualsIgnoreCase(entry, name); });
  if (found != list.end()) list.erase(found);
}

}  // namespace

std::string_view ComponentParent(std::string_view name) {
  size_t slash = name.rfind('\\');
  return slash == std::string_view::npos ? std::string_view() : name.substr(0, slash);
}

bool ContainsName(const std::vector<std::string>& list, std::string_view name) {
  return std::any_of(list.begin(), list.end(), [&](const std::string& entry) { return vars::EqualsIgnoreCase(entry, name); });
}

void ComponentModel::ClearComponents() {
  names_.clear();
  states_.clear();
  descriptions_.clear();
  deleted_.clear();
  hidden_.clear();
  locked_.clear();
}

int64_t ComponentModel::ComponentIndex(std::string_view name) const {
  for (size_t i = 0; i < names_.size(); ++i)
    if (vars::EqualsIgnoreCase(names_[i], name)) return static_cast<int64_t>(i);
  return -1;
}

size_t ComponentModel::DefinitionLine(std::string_view name) const {
  for (size_t line = 0; line < definitions_.size(); line += 2)
    if (vars::EqualsIgnoreCase(definitions_[line], name)) return line;
  return std::string::npos;
}

void ComponentModel::DefineComponent(const std::string& name, const std::string& description, bool selected) {
  int64_t found = ComponentIndex(name);
  size_t index;
  if (found >= 0) {
    index = static_cast<size_t>(found);
    RemoveFirst(deleted_, name);
  } else {
    index = names_.size();
    names_.push_back(name);
  }
  if (descriptions_.size() <= index) descriptions_.resize(index + 1);
  descriptions_[index] = description;
  if (DefinitionLine(name) == std::string::npos) AddDefinition(name, "0");
  if (found < 0) {
    states_.push_back(vars::BoolText(selected));
  } else if (states_[index].empty()) {
    states_[index] = vars::BoolText(selected);
  }
}

bool ComponentModel::IsComponentDeleted(std::string_view name) const { return ContainsName(deleted_, name); }

bool ComponentModel::InListOrAncestors(const std::vector<std::string>& list, std::string_view name) const {
  for (;;) {
    if (ContainsName(list, name)) return true;
    if (name.find('\\') == std::string_view::npos) return false;
    name = ComponentParent(name);
  }
}

bool ComponentModel::IsComponentHidden(std::string_view name) const { return InListOrAncestors(hidden_, name); }
bool ComponentModel::IsComponentLocked(std::string_view name) const { return InListOrAncestors(locked_, name); }

bool ComponentModel::GetComponentState(std::string_view name) const {
  int64_t index = ComponentIndex(name);
  return index >= 0 && !IsComponentDeleted(name) && vars::IsTrue(states_[static_cast<size_t>(index)]);
}

void ComponentModel::SetComponentState(std::string_view name, bool selected) {
  int64_t index = ComponentIndex(name);
  if (index >= 0) SetComponentStateAt(static_cast<size_t>(index), selected);
}

void ComponentModel::SetComponentStateAt(size_t index, bool selected) {
  if (index < states_.size()) states_[index] = vars::BoolText(selected);
}

std::string ComponentModel::GetComponentDescription(std::string_view name) const {
  int64_t index = ComponentIndex(name);
  if (index < 0 || static_cast<size_t>(index) >= descriptions_.size()) return std::string();
  return descriptions_[static_cast<size_t>(index)];
}

int64_t ComponentModel::GetComponentSize(std::string_view name) const {
  size_t line = DefinitionLine(name);
  if (line == std::string::npos || line + 1 >= definitions_.size()) return 0;
  return vars::TextToInt64(definitions_[line + 1]);
}

int64_t ComponentModel::SelectedSize() const {
  int64_t total = 0;
  for (size_t i = 0; i < names_.size(); ++i)
    if (vars::IsTrue(states_[i]) && !IsComponentDeleted(names_[i])) total = WrappingAdd(total, GetComponentSize(names_[i]));
  return total;
}

int64_t ComponentModel::RequiredSpace() const {
  return static_cast<int64_t>(static_cast<uint64_t>(SelectedSize()) - static_cast<uint64_t>(installed_size_));
}

void ComponentModel::DeleteComponent(const std::string& name) {
  if (ComponentIndex(name) >= 0 && !IsComponentDeleted(name)) deleted_.push_back(name);
}

void ComponentModel::SetComponentSpace(const std::string& name, std::string_view size) {
  int64_t bytes = 0;
  if (!vars::TryTextToInt64(size, bytes) || ComponentIndex(name) < 0) return;
  size_t line = DefinitionLine(name);
  if (line == std::string::npos) {
    AddDefinition(name, std::to_string(bytes));
  } else if (line + 1 < definitions_.size()) {
    definitions_[line + 1] = std::to_string(bytes);
  } else {
    definitions_.push_back(std::to_string(bytes));  // a trailing name line had lost its size
  }
}

void ComponentModel::SetFlag(std::vector<std::string>& list, const std::string& name, bool add) {
  if (!add) {
    RemoveFirst(list, name);
  } else if (ComponentIndex(name) >= 0 && !ContainsName(list, name)) {
    list.push_back(name);
  }
}

void ComponentModel::AddDefinition(std::string name, std::string size) {
  definitions_.push_back(std::move(name));
  definitions_.push_back(std::move(size));
}

void ComponentModel::AppendLists(const std::vector<std::string>& names, const std::vector<std::string>& states,
                                 const std::vector<std::string>& deleted, const std::vector<std::string>& hidden,
                                 const std::vector<std::string>& locked) {
  names_.insert(names_.end(), names.begin(), names.end());
  states_.insert(states_.end(), states.begin(), states.end());
  states_.resize(names_.size());
  deleted_.insert(deleted_.end(), deleted.begin(), deleted.end());
  hidden_.insert(hidden_.end(), hidden.begin(), hidden.end());
  locked_.insert(locked_.end(), locked.begin(), locked.end());
}

void ComponentModel::MergeLists(const std::vector<std::string>& names, const std::vector<std::string>& states,
                                std::vector<std::string> deleted, std::vector<std::string> hidden,
                                std::vector<std::string> locked) {
  for (size_t i = 0; i < names.size() && i < states.size(); ++i) {
    int64_t index = ComponentIndex(names[i]);
    if (index >= 0) states_[static_cast<size_t>(index)] = states[i];
  }
  deleted_ = std::move(deleted);
  hidden_ = std::move(hidden);
  locked_ = std::move(locked);
}

}  // namespace quillset::commands
