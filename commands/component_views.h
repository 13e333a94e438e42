// The component model as the dialogs show it: a tree of name segments and a check list of the
// top-level components. Plain models; the dialog layer renders them and hands back the marks.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "commands/component_model.h"

namespace quillset::commands {

struct ComponentTreeNode {
  std::string text;  // one segment of a component name
  int image_index = 0;           // 1 when the component claiming the node is selected
  int selected_image_index = 0;  // the same
  size_t data = 0;               // the claiming component's index + 1; 0 for a bare ancestor
  std::vector<ComponentTreeNode> children;
};

struct ComponentTree {
  std::vector<ComponentTreeNode> roots;
};

struct CheckListItem {
  std::string text;
  bool checked = false;
};

using ComponentCheckList = std::vector<CheckListItem>;

// Rebuilds the tree from the visible components in definition order: the predefined component,
// deleted ones and hidden ones (themselves or through an ancestor) are left out. Segments match
// existing nodes without regard to case; a component claims the node of its last segment.
void FillComponentTree(const ComponentModel& model, ComponentTree& tree);
// Rebuilds the list from the top-level components that are neither predefined, deleted nor
// themselves hidden; an item is checked when its state is exactly "TRUE".
void FillComponentList(const ComponentModel& model, ComponentCheckList& list);
// Each item's mark becomes the state of its component and of everything below it, locked
// components excepted; a top-level item's mark then shows the last such component's state.
void ApplyComponentList(ComponentModel& model, ComponentCheckList& list);

}  // namespace quillset::commands
