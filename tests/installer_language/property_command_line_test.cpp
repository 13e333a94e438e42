#include "platform/posix/installer/language/property_command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace quillset::platform::posix::installer {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs Parse(const std::string& text, std::string* error = nullptr) {
  std::vector<PropertyAssignment> assignments;
  std::string message;
  if (!ParsePropertyCommandLine(text, assignments, &message)) {
    if (error) *error = message;
    return {{"<error>", message}};
  }
  Pairs pairs;
  for (auto& a : assignments) pairs.emplace_back(a.name, a.value);
  return pairs;
}

TEST(PropertyCommandLine, Table) {
  struct Case {
    std::string text;
    Pairs pairs;
  };
  const Case cases[] = {
      {"", {}}, {" \t\r\n", {}}, {"A=1", {{"A", "1"}}}, {"  A=1   B=2  ", {{"A", "1"}, {"B", "2"}}},
      {"A=1\tB=2\r\nC=3", {{"A", "1"}, {"B", "2"}, {"C", "3"}}},
      // empty values, quoted or not
      {"A=\"\"", {{"A", ""}}}, {"A= B=2", {{"A", ""}, {"B", "2"}}}, {"A=", {{"A", ""}}},
      // quotes keep blanks; a doubled quote inside them is one quote; quoting may start anywhere
      {"A=\"x y\"", {{"A", "x y"}}}, {"A=\"say \"\"hi\"\"\" B=1", {{"A", "say \"hi\""}, {"B", "1"}}},
      {"A=\"\"\"\"", {{"A", "\""}}}, {"A=pre\"fix suf\"fix", {{"A", "prefix suffix"}}},
      {"A=\"x\"\"\"", {{"A", "x\""}}}, {"A=\"a=b\"", {{"A", "a=b"}}}, {"A=a=b", {{"A", "a=b"}}},
      // backslashes are ordinary, also before a closing quote
      {"P=\"C:\\Program Files\\\" Q=1", {{"P", "C:\\Program Files\\"}, {"Q", "1"}}},
      // names are kept as written; a repeated name is reported twice
      {"Prop=1 PROP=2 Prop=3", {{"Prop", "1"}, {"PROP", "2"}, {"Prop", "3"}}},
      {"ProductLanguage=1031 A.B_1=x", {{"ProductLanguage", "1031"}, {"A.B_1", "x"}}},
      {"A=\xc3\xa9", {{"A", "\xc3\xa9"}}},
  };
  for (const Case& c : cases) EXPECT_EQ(Parse(c.text), c.pairs) << "text: " << c.text;
}

// The lines the installer run composes, with each of its prefixes and quoting choices.
TEST(PropertyCommandLine, EngineLines) {
  const std::string install_tail =
      "ARPSYSTEMCOMPONENT=1 ARPNOREMOVE=1 ARPNOMODIFY=1 ARPNOREPAIR=1 "
      "ARPINSTALLLOCATION=\"C:\\Program Files\\Quill Set\\\" ";
  const Pairs install_tail_pairs{{"ARPSYSTEMCOMPONENT", "1"},
                                 {"ARPNOREMOVE", "1"},
                                 {"ARPNOMODIFY", "1"},
                                 {"ARPNOREPAIR", "1"},
                                 {"ARPINSTALLLOCATION", "C:\\Program Files\\Quill Set\\"}};
  const std::string sources = "SRCDIR=C:\\SETUP\\DATA\\ SOURCELIST=C:\\SETUP\\DATA\\;C:\\SETUP\\ "
                              "MEDIAPACKAGEPATH=\\SETUP\\ REBOOT=R ";
  const Pairs sources_pairs{{"SRCDIR", "C:\\SETUP\\DATA\\"},
                            {"SOURCELIST", "C:\\SETUP\\DATA\\;C:\\SETUP\\"},
                            {"MEDIAPACKAGEPATH", "\\SETUP\\"},
                            {"REBOOT", "R"}};
  const std::string quoted_sources =
      "SRCDIR=\"C:\\My Setup\\DATA\\\" SOURCELIST=\"C:\\My Setup\\DATA\\;C:\\My Setup\\\" "
      "MEDIAPACKAGEPATH=\"\\My Setup\\\" REBOOT=R ";
  const Pairs quoted_sources_pairs{{"SRCDIR", "C:\\My Setup\\DATA\\"},
                                   {"SOURCELIST", "C:\\My Setup\\DATA\\;C:\\My Setup\\"},
                                   {"MEDIAPACKAGEPATH", "\\My Setup\\"},
                                   {"REBOOT", "R"}};
  auto join = [](Pairs head, const Pairs& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  };
  struct Case {
    std::string text;
    Pairs pairs;
  };
  const Case cases[] = {
      {"ADDLOCAL=ALL ALLUSERS=1 " + install_tail + sources,
       join(join({{"ADDLOCAL", "ALL"}, {"ALLUSERS", "1"}}, install_tail_pairs), sources_pairs)},
      {"ADVERTISE=ALL ALLUSERS=\"\" " + install_tail + quoted_sources,
       join(join({{"ADVERTISE", "ALL"}, {"ALLUSERS", ""}}, install_tail_pairs), quoted_sources_pairs)},
      {"ADDLOCAL=ALL ADVERTISE=\"\" ALLUSERS=1 DISABLEROLLBACK=1 " + install_tail + sources,
       join(join({{"ADDLOCAL", "ALL"}, {"ADVERTISE", ""}, {"ALLUSERS", "1"}, {"DISABLEROLLBACK", "1"}},
                 install_tail_pairs),
            sources_pairs)},
      {"REINSTALL=ALL REINSTALLMODE=vomus ALLUSERS=1 MSIRESTARTMANAGERCONTROL=Disable " + install_tail + sources,
       join(join({{"REINSTALL", "ALL"},
                  {"REINSTALLMODE", "vomus"},
                  {"ALLUSERS", "1"},
                  {"MSIRESTARTMANAGERCONTROL", "Disable"}},
                 install_tail_pairs),
            sources_pairs)},
      {"REMOVE=ALL ALLUSERS=\"\" ALLUSERS=\"\" REMOVE=ALL " + quoted_sources,
       join({{"REMOVE", "ALL"}, {"ALLUSERS", ""}, {"ALLUSERS", ""}, {"REMOVE", "ALL"}}, quoted_sources_pairs)},
      {"ADDLOCAL=ALL ALLUSERS=1 SRCDIR=\"C:\\Reg Dir\\\" SRCDIREX=\"C:\\Reg Dir\\\" ",
       {{"ADDLOCAL", "ALL"}, {"ALLUSERS", "1"}, {"SRCDIR", "C:\\Reg Dir\\"}, {"SRCDIREX", "C:\\Reg Dir\\"}}},
      {"ADC98F967=\"TRUE\" TARGETDIR=\"C:\\Program Files\\Quill\\\" MSINTEMP=C:\\TEMP\\",
       {{"ADC98F967", "TRUE"}, {"TARGETDIR", "C:\\Program Files\\Quill\\"}, {"MSINTEMP", "C:\\TEMP\\"}}},
  };
  for (const Case& c : cases) EXPECT_EQ(Parse(c.text), c.pairs) << "text: " << c.text;
}

TEST(PropertyCommandLine, GarbageFails) {
  const char* cases[] = {
      "A",         "A=1 B",       "/qn",      "=1",        "A=1 =2",        "A=\"open",
      "A=\"x\"\"", "A=x\"y",      "\"A\"=1",  "A\"B=1",    "A =1",          "A=1 B C=2",
      "A=\"\"\"",
  };
  for (const char* text : cases) {
    std::vector<PropertyAssignment> assignments{{"KEPT", "1"}};
    std::string error;
    EXPECT_FALSE(ParsePropertyCommandLine(text, assignments, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
    ASSERT_EQ(assignments.size(), 1u) << text;  // left as it was
    EXPECT_EQ(assignments[0].name, "KEPT");
  }
  std::vector<PropertyAssignment> assignments;
  EXPECT_FALSE(ParsePropertyCommandLine("A", assignments, nullptr));  // no error text wanted
}

TEST(PropertyCommandLine, ErrorTextsNameTheFault) {
  std::string error;
  Parse("A=1 STRAY", &error);
  EXPECT_NE(error.find("STRAY"), std::string::npos) << error;
  Parse("A=1 B=\"open", &error);
  EXPECT_NE(error.find("B"), std::string::npos) << error;
  EXPECT_NE(error.find("7"), std::string::npos) << error;  // where the quote opened
}

}  // namespace
}  // namespace quillset::platform::posix::installer
