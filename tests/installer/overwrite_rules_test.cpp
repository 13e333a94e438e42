// Which file an installation writes over the one already there, by the REINSTALLMODE letters.
#include "platform/posix/installer/overwrite_rules.h"

#include <gtest/gtest.h>

namespace quillset::platform::posix::installer {
namespace {

TEST(OverwriteRules, LettersAndVersionsDecide) {
  const std::optional<FileVersion> none, v1 = FileVersion{{1, 0, 0, 0}}, v2 = FileVersion{{2, 0, 0, 0}};
  struct Case {
    const char* mode;
    std::optional<FileVersion> ours, theirs;
    uint64_t our_size, their_size;
    bool write;
    const char* reason;  // part of the reason a kept file is given
  };
  const Case cases[] = {
      // The rules at a first installation and of o.
      {"omus", v2, v1, 10, 10, true, ""},
      {"omus", v1, v2, 10, 10, false, "newer version (2.0.0.0) than the package's (1.0.0.0)"},
      {"omus", v1, v1, 10, 20, false, "same version (1.0.0.0)"},
      {"omus", v1, none, 10, 10, true, ""},
      {"omus", none, v1, 10, 20, false, "has a version (1.0.0.0) and the package's has none"},
      {"omus", none, none, 10, 20, true, ""},
      {"omus", none, none, 10, 10, false, "neither file has a version and both have the same size (10 bytes)"},
      {"vomus", v1, v2, 10, 10, false, "newer version"},
      {"mus", v2, v1, 10, 10, true, ""},  // no version letter: o applies
      {"mus", v1, v1, 10, 10, false, "same version"},
      // e: the same version too; d: any other version.
      {"emus", v1, v1, 10, 10, true, ""},
      {"emus", v1, v2, 10, 10, false, "newer version"},
      {"dmus", v1, v2, 10, 10, true, ""},
      {"dmus", v1, v1, 10, 10, false, "same version"},
      {"oemus", v1, v1, 10, 10, true, ""},  // letters add up
      {"dmus", none, v1, 10, 10, false, "the package's has none"},
      // c: a file of the same version (or none on both sides) whose size differs is damaged.
      {"cmus", v1, v1, 10, 20, true, ""},
      {"cmus", v1, v1, 10, 10, false, "same version"},
      {"cmus", v1, v2, 10, 20, false, "newer version"},
      {"cmus", none, v1, 10, 20, false, "the package's has none"},
      // p: only missing files; a: every file, a first.
      {"pmus", v2, v1, 10, 20, false, "only missing files"},
      {"pmus", none, none, 10, 20, false, "only missing files"},
      {"amus", v1, v2, 10, 10, true, ""},
      {"amus", none, v2, 10, 10, true, ""},
      {"apmus", v1, v1, 10, 10, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " " + (c.ours ? VersionText(*c.ours) : "-") + " over " +
                 (c.theirs ? VersionText(*c.theirs) : "-") + ", sizes " + std::to_string(c.our_size) + "/" +
                 std::to_string(c.their_size));
    OverwriteDecision decision = DecideOverwrite(c.mode, {c.ours, c.our_size}, {c.theirs, c.their_size});
    EXPECT_EQ(decision.write, c.write);
    if (!c.write) {
      EXPECT_NE(decision.reason.find(c.reason), std::string::npos) << decision.reason;
    }
  }
}

}  // namespace
}  // namespace quillset::platform::posix::installer
