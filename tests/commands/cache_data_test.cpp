// Reading the engine cache data back as a maintenance run does: the model, the definitions and
// the kept variables.
#include "commands/cache_data.h"

#include <gtest/gtest.h>

namespace quillset::commands {
namespace {

struct Store {
  ComponentModel components;
  vars::VariableStore variables;
  std::vector<std::string> persisted;
  std::string architecture = "Win32";
  CacheDataState state{components, variables, persisted, architecture};
};

TEST(CacheData, WhatIsWrittenIsReadBackWithOrWithoutDefinitions) {
  Store saved;
  saved.components.SetDefinitions({"Main", "300"});
  saved.components.DefineComponent("Main", "", true);
  saved.components.DefineComponent("Help", "", false);
  saved.components.DeleteComponent("Help");
  saved.components.SetComponentVisibility("Main", false);
  saved.variables.SetVariable("TARGETDIR", "C:\\App\\", "test");
  saved.variables.SetVariable("OVERRIDECACHE", "C:\\Cache\\", "test");
  saved.variables.SetVariable("Colour", "red", "test");
  saved.persisted = {"Colour"};
  saved.architecture = "x64";
  std::string text = FormatCacheData(saved.state, "C:\\DATA~1\\");

  for (CacheDataRead mode : {CacheDataRead::kLoad, CacheDataRead::kLoadWithoutDefinitions}) {
    Store loaded;
    loaded.components.SetDefinitions({"Script", "1"});
    EXPECT_EQ(ReadCacheData(text, mode, loaded.state), "C:\\DATA~1\\");
    EXPECT_EQ(loaded.components.names(), saved.components.names());
    EXPECT_EQ(loaded.components.states(), saved.components.states());
    EXPECT_EQ(loaded.components.deleted(), saved.components.deleted());
    EXPECT_EQ(loaded.components.hidden(), saved.components.hidden());
    EXPECT_TRUE(loaded.components.locked().empty());
    EXPECT_EQ(loaded.components.GetComponentSize("Main"), mode == CacheDataRead::kLoad ? 300 : 0);
    EXPECT_EQ(loaded.variables.GetVariable("TARGETDIR"), "C:\\App\\");
    EXPECT_EQ(loaded.variables.GetVariable("COLOUR"), "red");
    EXPECT_EQ(loaded.variables.GetVariable("OVERRIDECACHE"), "C:\\Cache\\");
    EXPECT_EQ(loaded.persisted, std::vector<std::string>{"Colour"});
    EXPECT_EQ(loaded.architecture, "x64");
    // The installed size is what the restored selection adds up to.
    EXPECT_EQ(loaded.components.SelectedSize(), mode == CacheDataRead::kLoad ? 300 : 0);
  }
}

TEST(CacheData, ADamagedFileLeavesTheListsParallel) {
  Store loaded;
  // Three names, one state, and the file ends inside the definitions.
  ReadCacheData("A\r\nB\r\nC\r\n$\r\nTRUE\r\n$\r\n$\r\n$\r\n$\r\nA\r\n", CacheDataRead::kLoad, loaded.state);
  EXPECT_EQ(loaded.components.states(), (std::vector<std::string>{"TRUE", "", ""}));
  EXPECT_FALSE(loaded.variables.Exists("TARGETDIR"));
  // A later definition fills the empty state and keeps the restored one.
  loaded.components.DefineComponent("C", "", true);
  loaded.components.DefineComponent("A", "", false);
  EXPECT_EQ(loaded.components.states(), (std::vector<std::string>{"TRUE", "", "TRUE"}));
  EXPECT_FALSE(loaded.components.GetComponentState("B"));
}

}  // namespace
}  // namespace quillset::commands
