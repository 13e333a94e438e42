// The component model and its tree and check-list views.
#include "commands/component_model.h"

#include <gtest/gtest.h>

#include "commands/component_views.h"
#include "vars/integer_text.h"

namespace quillset::commands {
namespace {

std::string State(const ComponentModel& model, const std::string& name) {
  int64_t index = model.ComponentIndex(name);
  return index < 0 ? "undefined" : model.states()[static_cast<size_t>(index)];
}

TEST(ComponentModel, DefiningAgainKeepsTheStateAndBringsADeletedComponentBack) {
  ComponentModel model;
  model.DefineComponent("Program", "first", true);
  model.SetComponentState("program", false);
  model.DefineComponent("PROGRAM", "second", true);
  EXPECT_EQ(model.names(), std::vector<std::string>{"Program"});
  EXPECT_EQ(State(model, "Program"), "FALSE");
  EXPECT_EQ(model.GetComponentDescription("program"), "second");

  model.DefineComponent("Docs", "", true);
  model.DeleteComponent("docs");
  model.DeleteComponent("Docs");  // once only
  EXPECT_EQ(model.deleted(), std::vector<std::string>{"docs"});
  EXPECT_FALSE(model.GetComponentState("Docs"));
  model.DefineComponent("Docs", "back", false);
  EXPECT_TRUE(model.deleted().empty());
  EXPECT_TRUE(model.GetComponentState("Docs"));  // its old state

  // Each name is defined once, with size 0, and undefined names change nothing.
  EXPECT_EQ(model.definitions(), (std::vector<std::string>{"Program", "0", "Docs", "0"}));
  model.SetComponentState("Nothing", true);
  model.SetComponentStateAt(7, true);
  model.DeleteComponent("Nothing");
  model.SetComponentChoice("Nothing", false);
  EXPECT_TRUE(model.deleted().empty());
  EXPECT_TRUE(model.locked().empty());
  EXPECT_EQ(model.GetComponentDescription("Nothing"), "");
}

TEST(ComponentModel, LockingAndHidingReachEverythingBelow) {
  ComponentModel model;
  model.DefineComponent("Program", "", true);
  model.DefineComponent("Program\\Help", "", true);
  model.DefineComponent("Programs", "", true);
  model.SetComponentChoice("Program", false);
  model.SetComponentChoice("Program", false);
  EXPECT_EQ(model.locked(), std::vector<std::string>{"Program"});
  model.SetComponentChoice("Program\\Help", true);  // unlocking the child does not help
  EXPECT_TRUE(model.IsComponentLocked("program\\help"));
  EXPECT_FALSE(model.IsComponentLocked("Programs"));
  model.SetComponentChoice("PROGRAM", true);
  EXPECT_FALSE(model.IsComponentLocked("Program\\Help"));

  model.SetComponentVisibility("Program", false);
  EXPECT_TRUE(model.IsComponentHidden("Program\\Help\\Deeper"));
  EXPECT_FALSE(model.IsComponentDeleted("Program\\Help"));
  ComponentTree tree;
  FillComponentTree(model, tree);
  ASSERT_EQ(tree.roots.size(), 1u);
  EXPECT_EQ(tree.roots[0].text, "Programs");
  ComponentCheckList list;
  FillComponentList(model, list);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].text, "Programs");
}

TEST(ComponentModel, SizesAreFoundByNameAndSummedOverTheSelection) {
  ComponentModel model;
  // A component named like another's size must not take that size line for its name.
  model.SetDefinitions({"Core", "500", "500", "70", "Broken", "many"});
  model.DefineComponent("Core", "", true);
  model.DefineComponent("500", "", true);
  model.DefineComponent("Extra", "", false);
  EXPECT_EQ(model.GetComponentSize("core"), 500);
  EXPECT_EQ(model.GetComponentSize("500"), 70);
  EXPECT_EQ(model.GetComponentSize("Unknown"), 0);
  EXPECT_THROW(model.GetComponentSize("Broken"), vars::IntegerConversionError);
  EXPECT_EQ(model.RequiredSpace(), 570);

  model.SetComponentSpace("extra", "$10");
  EXPECT_EQ(model.GetComponentSize("Extra"), 16);
  model.SetComponentSpace("Extra", "2048");
  model.SetComponentSpace("Core", "lots");  // no integer: nothing
  model.SetComponentSpace("Ghost", "5");    // undefined: nothing
  EXPECT_EQ(model.GetComponentSize("Ghost"), 0);
  // A component restored without a definition gets one.
  model.AppendLists({"Restored"}, {"FALSE"}, {}, {}, {});
  model.SetComponentSpace("Restored", "9");
  EXPECT_EQ(model.definitions(), (std::vector<std::string>{"Core", "500", "500", "70", "Broken", "many", "Extra",
                                                           "2048", "Restored", "9"}));

  // A maintenance run that deselected everything needs less than is installed.
  model.set_installed_size(570);
  model.SetComponentState("Core", false);
  model.SetComponentState("500", false);
  EXPECT_EQ(model.RequiredSpace(), -570);
  model.SetComponentState("Extra", true);
  model.DeleteComponent("Extra");
  EXPECT_EQ(model.RequiredSpace(), -570);
}

const ComponentTreeNode* Child(const std::vector<ComponentTreeNode>& nodes, const std::string& text) {
  for (const auto& node : nodes)
    if (node.text == text) return &node;
  return nullptr;
}

TEST(ComponentViews, TheTreeHasANodePerSegmentClaimedByItsComponent) {
  ComponentModel model;
  model.DefineComponent(std::string(kPredefinedComponent), "", true);
  model.DefineComponent("Tools\\Docs", "", true);            // index 1
  model.DefineComponent("Docs", "", false);                  // 2
  model.DefineComponent("Core\\Help", "", true);             // 3
  model.DefineComponent("Core", "", true);                   // 4, deleted below
  model.DefineComponent("Tools", "", true);                  // 5, claims the node made for 1
  model.DefineComponent("tools\\Extra", "", true);           // 6
  model.DeleteComponent("Core");
  model.SetComponentStateAt(6, false);

  ComponentTree tree;
  tree.roots.push_back({"stale", 0, 0, 0, {}});
  FillComponentTree(model, tree);
  ASSERT_EQ(tree.roots.size(), 3u);
  EXPECT_EQ(tree.roots[0].text, "Tools");
  EXPECT_EQ(tree.roots[1].text, "Docs");
  EXPECT_EQ(tree.roots[2].text, "Core");

  const ComponentTreeNode& tools = tree.roots[0];
  EXPECT_EQ(tools.data, 6u);
  EXPECT_EQ(tools.image_index, 1);
  ASSERT_EQ(tools.children.size(), 2u);
  EXPECT_EQ(tools.children[0].text, "Docs");
  EXPECT_EQ(tools.children[0].data, 2u);
  EXPECT_EQ(tools.children[1].text, "Extra");
  EXPECT_EQ(tools.children[1].selected_image_index, 0);
  EXPECT_EQ(tree.roots[1].data, 3u);
  EXPECT_EQ(tree.roots[1].image_index, 0);
  // A deleted component leaves its node to the children as a bare ancestor.
  EXPECT_EQ(tree.roots[2].data, 0u);
  const ComponentTreeNode* help = Child(tree.roots[2].children, "Help");
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->data, 4u);
}

TEST(ComponentViews, CheckMarksSetAComponentAndWhatLiesBelowIt) {
  ComponentModel model;
  model.DefineComponent(std::string(kPredefinedComponent), "", true);
  model.DefineComponent("Core", "", false);
  model.DefineComponent("Core\\Help", "", false);
  model.DefineComponent("Core Tools", "", false);
  model.DefineComponent("Extras", "", true);
  model.DefineComponent("Extras\\Locked", "", true);
  model.SetComponentChoice("Extras\\Locked", false);

  ComponentCheckList list;
  FillComponentList(model, list);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].text, "Core");
  EXPECT_FALSE(list[0].checked);
  EXPECT_TRUE(list[2].checked);

  list[0].checked = true;   // Core and Core\Help, never Core Tools
  list[2].checked = false;  // Extras, but its locked child keeps its state and decides the mark
  ApplyComponentList(model, list);
  EXPECT_EQ(State(model, "Core"), "TRUE");
  EXPECT_EQ(State(model, "Core\\Help"), "TRUE");
  EXPECT_EQ(State(model, "Core Tools"), "FALSE");
  EXPECT_EQ(State(model, "Extras"), "FALSE");
  EXPECT_EQ(State(model, "Extras\\Locked"), "TRUE");
  EXPECT_TRUE(list[0].checked);
  EXPECT_TRUE(list[2].checked);
}

}  // namespace
}  // namespace quillset::commands
