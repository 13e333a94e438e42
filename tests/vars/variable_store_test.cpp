#include "vars/variable_store.h"

#include <gtest/gtest.h>

#include <thread>

namespace quillset::vars {
namespace {

TEST(HashTable, HashCodeAndCaseFolding) {
  // rotate left 5, xor the byte: "ab" = (0x61 << 5) ^ 0x62
  EXPECT_EQ(NameHash("a", true), 0x61u);
  EXPECT_EQ(NameHash("ab", true), (0x61u << 5) ^ 0x62u);
  EXPECT_EQ(NameHash("AB", false), NameHash("ab", true));
  EXPECT_NE(NameHash("AB", true), NameHash("ab", true));
  // Only A-Z fold: the Latin-1 capital A-grave differs from its small letter.
  EXPECT_NE(NameHash("\xC0", false), NameHash("\xE0", false));
  uint32_t long_name = NameHash(std::string(40, 'z'), true);  // rotation wraps around
  EXPECT_NE(long_name, 0u);
}

TEST(HashTable, GrowsFromNothingToThirtyTwoThenDoubles) {
  TStringHashTable table(false, 2.0, 0);
  EXPECT_EQ(table.bucket_count(), 0u);
  table.Set("v0", "x");
  EXPECT_EQ(table.bucket_count(), 32u);
  for (int i = 1; i < 64; ++i) table.Set("v" + std::to_string(i), "x");
  EXPECT_EQ(table.bucket_count(), 32u);  // 64 entries fill 32 buckets at load factor 2
  table.Set("v64", "x");
  EXPECT_EQ(table.bucket_count(), 64u);
  table.Set("V64", "y");  // a replacement adds nothing
  EXPECT_EQ(table.count(), 65u);
  for (int i = 0; i <= 64; ++i) ASSERT_NE(table.Find("V" + std::to_string(i)), nullptr) << i;
}

TEST(HashTable, Misuse) {
  EXPECT_THROW(TStringHashTable(false, 0.05, 0), HashTableError);
  EXPECT_THROW(TStringHashTable(false, 7.5, 0), HashTableError);
  EXPECT_NO_THROW(TStringHashTable(false, 0.1, 0));
  EXPECT_NO_THROW(TStringHashTable(false, 7.0, 0));
  try {
    TStringHashTable(false, 0.01, 0);
  } catch (const HashTableError& e) {
    EXPECT_STREQ(e.what(), "Argument out of range");
  }
  TStringHashTable fixed(false, 2.0, 0, true);
  try {
    fixed.Set("a", "b");
    ADD_FAILURE();
  } catch (const HashTableError& e) {
    EXPECT_STREQ(e.what(), "Hash table is fixed with size 0");
  }
  TStringHashTable table(false, 2.0, 0);
  table.Set("a", "1");
  {
    TStringHashTable::Enumerator walk(table);
    try {
      table.Set("b", "2");
      ADD_FAILURE();
    } catch (const HashTableError& e) {
      EXPECT_STREQ(e.what(), "Can not modify a collection while iterating");
    }
    EXPECT_THROW(table.Clear(), HashTableError);
  }
  table.Set("b", "2");
  EXPECT_EQ(table.count(), 2u);
}

TEST(VariableStore, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  VariableStore store;
  store.SetVariable("x", "1", "Set Variable Action");
  store.SetVariable("X", "2", "Set Variable Action");
  store.SetVariable("", "3", "Set Variable Action");
  EXPECT_EQ(store.GetVariable("x"), "2");
  std::vector<std::string> lines;
  EXPECT_EQ(store.manager().GetAll(lines), 2u);
  EXPECT_EQ(lines, (std::vector<std::string>{"x", "2"}));
  store.SetVariable("\xC0", "upper", "");
  store.SetVariable("\xE0", "lower", "");
  EXPECT_EQ(store.GetVariable("\xC0"), "upper");
  store.SetVariable("E", "", "");
  EXPECT_TRUE(store.Exists("e"));
  EXPECT_FALSE(store.Exists("U"));
}

TEST(VariableStore, ExpandFollowsTheScanRules) {
  VariableStore store;
  store.SetVariable("TITLE", "Demo", "");
  store.SetVariable("B", "x", "");
  store.SetVariable("X", "$TITLE$ Setup", "");
  store.SetVariable("E", "", "");
  store.SetVariable("HALF", "$TIT", "");  // a value and the text after it form a reference
  struct Case {
    const char* text;
    const char* expanded;
  } cases[] = {
      {"Installing $TITLE$", "Installing Demo"},
      {"Cost: $5 and $TITLE$", "Cost: $5 and Demo"},
      {"$U$B$", "$Ux"},
      {"$X$", "Demo Setup"},
      {"[$E$]", "[]"},
      {"$U$", "$U$"},
      {"100$", "100$"},
      {"$", "$"},
      {"$$", "$$"},
      {"$HALF$LE$", "Demo"},
      {"no references", "no references"},
  };
  for (const auto& c : cases) EXPECT_EQ(store.Expand(c.text), c.expanded) << c.text;
  EXPECT_EQ(store.ExpandQuoted("$TITLE$ = $B$"), "\"Demo\" = \"x\"");
}

TEST(VariableStore, SelfReferencesAreBounded) {
  VariableStore store;
  store.SetVariable("A", "$A$", "");
  store.SetVariable("B", "<$C$>", "");
  store.SetVariable("C", "[$B$]", "");
  EXPECT_EQ(store.Expand("x $A$ y"), "x $A$ y");
  std::string chain = store.Expand("$B$");
  EXPECT_LE(chain.size(), 4 * kMaxExpansionDepth);
  EXPECT_NE(chain.find("$B$"), std::string::npos);  // the reference that hit the bound stays
  // Doubling at every level stops at the length bound.
  for (int i = 1; i < 40; ++i)
    store.SetVariable("D" + std::to_string(i), "$D" + std::to_string(i - 1) + "$$D" + std::to_string(i - 1) + "$", "");
  store.SetVariable("D0", "0123456789", "");
  std::string big = store.Expand("$D39$ end");
  EXPECT_GE(big.size(), kMaxExpansionLength);
  EXPECT_LE(big.size(), kMaxExpansionLength + 1024 * 1024);
}

TEST(VariableStore, SilentRunsProtectCommandLineValues) {
  for (bool silent : {true, false}) {
    VariableStore store;
    store.SetOverrides({{"PRODUCT", "1"}});
    store.SetSilent(silent);
    store.InjectOverrides();
    store.SetVariable("product", "2", "Set Variable Action");
    EXPECT_EQ(store.GetVariable("PRODUCT"), silent ? "1" : "2");
    store.SetVariable("PRODUCT", "3", kInjectOverrideCommandLine);
    EXPECT_EQ(store.GetVariable("PRODUCT"), "3");
  }
}

TEST(VariableHelpers, TruthAndReferences) {
  for (const char* yes : {"TRUE", "true", "True", "-1"}) EXPECT_TRUE(IsTrue(yes)) << yes;
  for (const char* no : {"1", "yes", " TRUE", "", "TRUE ", "-1 "}) EXPECT_FALSE(IsTrue(no)) << no;
  EXPECT_EQ(StripReference("$A$"), "A");
  for (const char* none : {"$A$B$", "A", "$A", "$$", "$"}) EXPECT_EQ(StripReference(none), "") << none;
  VariableStore store;
  store.SetVariable("A", "$B$", "");
  store.SetVariable("B", "b", "");
  EXPECT_EQ(store.ReferenceValue("$A$"), "b");
  EXPECT_EQ(store.ReferenceValue("A"), "b");
  EXPECT_EQ(store.ReferenceValue("$U$"), "$KVORNX$");
  EXPECT_EQ(store.ReferenceValueOrEmpty("$U$"), "");
}

TEST(VariableHelpers, PathExpansionAndNewlines) {
  VariableStore store;
  store.SetVariable("TARGETDIR", "C:\\App\\", "");
  store.SetVariable("SERVER", "srv", "");
  EXPECT_EQ(store.ExpandPath("$TARGETDIR$\\bin"), "C:\\App\\bin");
  EXPECT_EQ(store.ExpandPath("\\\\$SERVER$\\share\\\\dir"), "\\\\srv\\share\\dir");
  EXPECT_EQ(store.ExpandPath("a\\\\\\b"), "a\\\\b");  // pairs collapse left to right, no overlap
  std::string text = "one\r\ntwo\r\n\r\nthree\n";
  EXPECT_EQ(EncodeNewlines(text), "one$NEWLINE$two$NEWLINE$$NEWLINE$three\n");
  EXPECT_EQ(DecodeNewlines(EncodeNewlines(text)), text);
  EXPECT_EQ(DecodeNewlines("a$newline$b$NewLine"), "a\r\nb$NewLine");
}

TEST(Snapshot, RoundTripsEveryValue) {
  VariableStore store;
  store.SetVariable("A", "x", "");
  store.SetVariable("B", "", "");
  std::string text = store.SaveVariables();
  EXPECT_TRUE(text == "A,x,B," || text == "B,,A,x") << text;
  for (const char* snapshot : {"A,x,B,", "B,,A,x"}) {
    VariableStore loaded;
    loaded.SetVariable("OLD", "gone", "");
    loaded.LoadVariables(snapshot);
    EXPECT_EQ(loaded.GetVariable("A"), "x");
    EXPECT_TRUE(loaded.Exists("B"));
    EXPECT_FALSE(loaded.Exists("OLD"));
  }
  std::vector<std::string> tricky = {"x y", "say \"hi\"", "a,b", "", "line\r\nbreak", "\t", "plain", "$"};
  std::string joined = JoinSnapshotLines(tricky);
  EXPECT_EQ(JoinSnapshotLines({"x y"}), "\"x y\"");
  EXPECT_EQ(JoinSnapshotLines({""}), "\"\"");
  EXPECT_EQ(SplitSnapshotText(joined), tricky);
}

TEST(Snapshot, ReadsLooseText) {
  struct Case {
    const char* text;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"  a , b ", {"a", "b"}},
      {"a,", {"a", ""}},
      {"\"unterminated", {"unterminated"}},
      {"\"a\"b,c", {"a", "b", "c"}},
      {"a b", {"a", "b"}},
      {",", {"", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitSnapshotText(c.text), c.lines) << c.text;
  EXPECT_EQ(SplitSnapshotText(std::string("a,b\0c,d", 7)), (std::vector<std::string>{"a", "b"}));
  VariableStore store;
  store.LoadVariables("A,1,B");  // an odd last line is ignored
  EXPECT_EQ(store.GetVariable("A"), "1");
  EXPECT_FALSE(store.Exists("B"));
}

TEST(VariableStore, ConcurrentWritersAndReaders) {
  VariableStore store;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&store, t] {
      for (int i = 0; i < 2000; ++i) {
        store.SetVariable("T" + std::to_string(t) + "_" + std::to_string(i), std::to_string(i), "");
        store.Expand("$T0_" + std::to_string(i) + "$");
      }
    });
  }
  for (auto& thread : threads) thread.join();
  std::vector<std::string> lines;
  EXPECT_EQ(store.manager().GetAll(lines), 2u * 4 * 2000);
}

}  // namespace
}  // namespace quillset::vars
