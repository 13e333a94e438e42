#include "commands/component_views.h"

#include <algorithm>

#include "vars/text_case.h"

namespace quillset::commands {
namespace {

std::vector<std::string> Segments(const std::string& name) {
  std::vector<std::string> segments;
  size_t start = 0;
  for (size_t slash; (slash = name.find('\\', start)) != std::string::npos; start = slash + 1)
    segments.push_back(name.substr(start, slash - start));
  segments.push_back(name.substr(start));
  return segments;
}

ComponentTreeNode& FindOrAdd(std::vector<ComponentTreeNode>& nodes, const std::string& text) {
  auto found = std::find_if(nodes.begin(), nodes.end(),
                            [&](const ComponentTreeNode& node) { return vars::EqualsIgnoreCase(node.text, text); });
  if (found != nodes.end()) return *found;
  nodes.push_back(ComponentTreeNode{text, 0, 0, 0, {}});
  return nodes.back();
}

bool IsPredefined(const std::string& name) { return name == kPredefinedComponent; }

}  // namespace

void FillComponentTree(const ComponentModel& model, ComponentTree& tree) {
  tree.roots.clear();
  const auto& names = model.names();
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& name = names[i];
    if (IsPredefined(name) || model.IsComponentDeleted(name) || model.IsComponentHidden(name)) continue;
    std::vector<ComponentTreeNode>* level = &tree.roots;
    ComponentTreeNode* node = nullptr;
    for (const std::string& segment : Segments(name)) {
      node = &FindOrAdd(*level, segment);
      level = &node->children;
    }
    node->image_index = node->selected_image_index = model.states()[i] == "TRUE" ? 1 : 0;
    node->data = i + 1;
  }
}

void FillComponentList(const ComponentModel& model, ComponentCheckList& list) {
  list.clear();
  const auto& names = model.names();
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& name = names[i];
    if (IsPredefined(name) || model.IsComponentDeleted(name) || ContainsName(model.hidden(), name) ||
        name.find('\\') != std::string::npos)
      continue;
    list.push_back({name, model.states()[i] == "TRUE"});
  }
}

void ApplyComponentList(ComponentModel& model, ComponentCheckList& list) {
  for (CheckListItem& item : list) {
    const bool checked = item.checked;
    const std::string text = vars::UpperCase(item.text);
    const bool top_level = item.text.find('\\') == std::string::npos;
    const auto& names = model.names();
    for (size_t i = 0; i < names.size(); ++i) {
      const std::string name = vars::UpperCase(names[i]);
      if (name != text && name.compare(0, text.size() + 1, text + "\\") != 0) continue;
      if (!model.IsComponentLocked(names[i])) model.SetComponentStateAt(i, checked);
      if (top_level) item.checked = model.states()[i] == "TRUE";
    }
  }
}

}  // namespace quillset::commands
