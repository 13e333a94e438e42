// "Transform Instance" over a posix platform: when it takes a new identity and when it does not.
#include "commands/instance_commands.h"

#include <gtest/gtest.h>

#include "msi/instance_transform.h"
#include "tests/commands/command_fixture.h"

namespace quillset::commands {
namespace {

class SequenceGuids : public msi::GuidSource {
 public:
  std::string NewGuid() override { return "{00000000-0000-0000-0000-00000000000" + std::to_string(++count) + "}"; }
  int count = 0;
};

class TransformInstanceTest : public CommandFixture {
 protected:
  TransformInstanceTest() {
    RegisterInstanceCommands(table_);
    state_.product_code = "{11111111-1111-1111-1111-111111111111}";
    state_.revision_code = "{22222222-2222-2222-2222-222222222222}";
    state_.identifiers_renewed = true;  // as a former transform leaves it
    testing::WriteFile(DriveC("setup.msi"), "package");
    instance_ = &context_;
  }
  void Transform() { Run({{"Transform Instance", {}}}); }

  SequenceGuids guids_;
  msi::InstanceState state_;
  std::string package_ = "C:\\setup.msi";
  int bootstraps_ = 0;
  msi::InstanceContext context_{state_, guids_, package_, [this] {
                                  ++bootstraps_;
                                  msi::DefineProductIdentity(variables_, state_);
                                }};
};

TEST_F(TransformInstanceTest, ANewInstanceTakesNewCodesAndRunsTheBootstrapAgain) {
  variables_.SetVariable("NEWINSTANCE", "true", "test");
  Transform();
  EXPECT_EQ(state_.product_code, "{00000000-0000-0000-0000-000000000001}");
  EXPECT_EQ(state_.revision_code, "{00000000-0000-0000-0000-000000000002}");
  EXPECT_TRUE(state_.transformed);
  EXPECT_FALSE(state_.identifiers_renewed);
  EXPECT_EQ(bootstraps_, 1);
  EXPECT_EQ(Var("PRODUCTCODE"), state_.product_code);
  EXPECT_EQ(Var("REVISIONCODE"), state_.revision_code);
}

TEST_F(TransformInstanceTest, NothingHappensOutsideANewInstanceOrBesideAPatch) {
  for (const char* value : {"FALSE", "", "1"}) {
    variables_.SetVariable("NEWINSTANCE", value, "test");
    Transform();
  }
  variables_.SetVariable("NEWINSTANCE", "TRUE", "test");
  testing::WriteFile(DriveC("setup.msp"), "patch");
  Transform();
  EXPECT_EQ(state_.product_code, "{11111111-1111-1111-1111-111111111111}");
  EXPECT_FALSE(state_.transformed);
  EXPECT_TRUE(state_.identifiers_renewed);
  EXPECT_EQ(bootstraps_, 0);
  EXPECT_EQ(guids_.count, 0);
}

TEST(RandomGuidSource, GivesUpperCaseRegistryGuidsThatDiffer) {
  msi::RandomGuidSource source;
  std::string first = source.NewGuid(), second = source.NewGuid();
  EXPECT_NE(first, second);
  for (const std::string& guid : {first, second}) {
    ASSERT_EQ(guid.size(), 38u) << guid;
    for (size_t i = 0; i < guid.size(); ++i) {
      char c = guid[i];
      if (i == 0) EXPECT_EQ(c, '{');
      else if (i == 37) EXPECT_EQ(c, '}');
      else if (i == 9 || i == 14 || i == 19 || i == 24) EXPECT_EQ(c, '-');
      else EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << guid;
    }
  }
}

}  // namespace
}  // namespace quillset::commands
