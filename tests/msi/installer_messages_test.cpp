// The installer message handler: progress records, action texts, boxes and answers, cancel.
#include "msi/installer_messages.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillset::msi {
namespace {

TEST(ProgressRecord, RecordsMoveTheState) {
  struct Case {
    const char* name;
    std::vector<const char*> records;
    int64_t total, position;
    int32_t step, direction;
  } cases[] = {
      {"reset then report", {"1: 0 2: 1000 3: 0 4: 1 ", "1: 2 2: 250 3: 0 4: 0 "}, 1000, 250, 0, 1},
      {"backward reset keeps the total", {"1: 0 2: 1000 3: 0 ", "1: 2 2: 10 ", "1: 0 2: 0 3: 1 ", "1: 2 2: 100 "},
       1000, -100, 0, -1},
      {"addition", {"1: 0 2: 100 3: 0 ", "1: 3 2: 400 "}, 500, 0, 0, 1},
      {"action information sets and clears the step", {"1: 0 2: 10 3: 0 ", "1: 1 2: 2000 3: 1 "}, 10, 0, 2000, 1},
      {"a field must start with 1 to 4", {"1: 0 2: 10 3: 0 ", "5: 1"}, 10, 0, 0, 1},
      {"fields count by position, not by their digit", {"4: 0 4: 77 4: 0 "}, 77, 0, 0, 1},
      {"no digits is 0", {"1: 0 2: 9 3: 0 ", "1: 2 2: x"}, 9, 0, 0, 1},
      {"parsing stops at anything else", {"1: 0 2: 9 3: 0 ", "1:2 2: 5"}, 9, 0, 0, 1},
      {"other f3 keeps the direction", {"1: 0 2: 9 3: 1 ", "1: 0 2: 0 3: 7 ", "1: 2 2: 3 "}, 9, -3, 0, -1},
      {"a huge report saturates", {"1: 0 2: 1 3: 0 ", "1: 2 2: 9223372036854775807 ", "1: 2 2: 5 "}, 1,
       INT64_MAX, 0, 1},
  };
  for (const Case& c : cases) {
    InstallerProgressState state;
    for (const char* record : c.records) ApplyProgressRecord(state, record);
    EXPECT_EQ(state.total, c.total) << c.name;
    EXPECT_EQ(state.position, c.position) << c.name;
    EXPECT_EQ(state.step, c.step) << c.name;
    EXPECT_EQ(state.direction, c.direction) << c.name;
    EXPECT_EQ(state.minimum, 0) << c.name;
  }
}

TEST(ProgressRecord, ActionStartTexts) {
  EXPECT_EQ(ActionTextOfActionStart("Action 10:02:33: InstallFiles. Copying new files"), "Copying new files");
  EXPECT_EQ(ActionTextOfActionStart("no dot here"), "no dot here");
  EXPECT_EQ(ActionTextOfActionStart("Ends."), "");
}

class RecordingDialogs : public platform::Dialogs {
 public:
  int MessageBox(const std::string& caption, const std::string& text, uint32_t style) override {
    boxes.push_back({caption, text, style});
    return answer;
  }
  struct Box {
    std::string caption, text;
    uint32_t style;
  };
  std::vector<Box> boxes;
  int answer = platform::kIdRetry;
};

class HandlerTest : public ::testing::Test {
 protected:
  HandlerTest() { progress_.DefineReservedVariables(); }
  int Send(platform::UINT type, uint32_t style, const char* text) {
    return InstallerMessageHandler::Callback(&handler_, (type << 24) | style, text);
  }
  vars::VariableStore variables_;
  ui::Progress progress_{variables_};
  script::MessageTable messages_;
  RecordingDialogs dialogs_;
  InstallerProgressState state_;
  InstallerMessageHandler handler_{dialogs_, messages_, progress_, state_};
};

TEST_F(HandlerTest, AnswersByKindShownAndQuiet) {
  struct Case {
    platform::UINT type;
    int shown, quiet;
    const char* prefix;  // the box text's head, nullptr for no box
    uint32_t icon;
  } cases[] = {
      {0, platform::kIdRetry, 0, "Fatal Error\r\r", 0x10}, {1, platform::kIdRetry, 1, "Error\r\r", 0x10},
      {2, platform::kIdRetry, 1, "Warning\r\r", 0x30},     {3, platform::kIdRetry, 1, "", 0x20},
      {4, 1, 1, nullptr, 0},                               {6, 0, 0, nullptr, 0},
      {7, platform::kIdRetry, 1, "Out of Disk Space\r\r", 0x10},
      {8, 1, 1, nullptr, 0}, {9, 1, 1, nullptr, 0},        {10, 1, 1, nullptr, 0},
      {11, 1, 1, nullptr, 0}, {12, 1, 1, nullptr, 0},      {13, 1, 1, nullptr, 0},
      {14, 1, 1, nullptr, 0}, {5, 0, 0, nullptr, 0},       {15, 0, 0, nullptr, 0},
  };
  for (const Case& c : cases) {
    for (bool quiet : {false, true}) {
      handler_.Prepare(quiet, "Demo Setup");
      dialogs_.boxes.clear();
      int answer = Send(c.type, platform::kMbRetryCancel, "the text");
      EXPECT_EQ(answer, quiet ? c.quiet : c.shown) << c.type << (quiet ? " quiet" : "");
      if (!c.prefix || quiet) {
        EXPECT_TRUE(dialogs_.boxes.empty()) << c.type;
        continue;
      }
      ASSERT_EQ(dialogs_.boxes.size(), 1u) << c.type;
      EXPECT_EQ(dialogs_.boxes[0].caption, "Demo Setup");
      EXPECT_EQ(dialogs_.boxes[0].text, std::string(c.prefix) + "the text");
      EXPECT_EQ(dialogs_.boxes[0].style, platform::kMbRetryCancel | c.icon) << c.type;
    }
  }
}

TEST_F(HandlerTest, ErrorsAreRememberedAndProgressIsReportedAfterEveryMessage) {
  handler_.Prepare(true, "");
  Send(1, 0, "Disk full");
  EXPECT_EQ(handler_.last_error_text(), "Disk full");
  Send(10, 0, "1: 0 2: 5000 3: 0 ");
  Send(10, 0, "1: 1 2: 1000 3: 1 ");
  Send(8, 0, "Action 10:02:33: InstallFiles. Copying new files");
  Send(9, 0, "File: a.txt");
  Send(9, 0, "File: b.txt");
  EXPECT_EQ(variables_.GetVariable(ui::kProgressVariable), "2000");
  EXPECT_EQ(variables_.GetVariable(ui::kMaxVariable), "5000");
  EXPECT_EQ(variables_.GetVariable(ui::kMinVariable), "0");
  EXPECT_EQ(variables_.GetVariable(ui::kProgressTextVariable), "File: b.txt");
}

TEST_F(HandlerTest, ACancelTurnsEveryAnswerIntoCancel) {
  handler_.Prepare(true, "");
  variables_.SetVariable(ui::kCancelledVariable, "TRUE", "test");
  EXPECT_EQ(Send(4, 0, "info"), platform::kIdCancel);
  EXPECT_EQ(Send(6, 0, ""), platform::kIdCancel);
  variables_.SetVariable(ui::kCancelledVariable, "FALSE", "test");
  EXPECT_EQ(Send(4, 0, "info"), 1);
}

}  // namespace
}  // namespace quillset::msi
