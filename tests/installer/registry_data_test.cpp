// The value formats of the Registry table.
#include <gtest/gtest.h>

#include "platform/posix/installer/registry_actions.h"

namespace quillset::platform::posix::installer {
namespace {

TEST(RegistryData, TheValuePrefixesChooseTheType) {
  auto format = [](const std::string& text) { return text == "[N]" ? std::string("42") : text; };
  const std::string nul(1, '\0');
  struct Case {
    std::string value;
    std::optional<RegistryValue> existing;
    uint32_t type;
    std::string data;
  };
  const RegistryValue old_list{"v", kRegMultiSz, "old" + nul + nul};
  for (const Case& c : {
           Case{"plain text", std::nullopt, kRegSz, "plain text"},
           Case{"##hash first", std::nullopt, kRegSz, "#hash first"},
           Case{"#%%PATH%;x", std::nullopt, kRegExpandSz, "%PATH%;x"},
           Case{"#[N]", std::nullopt, kRegDword, std::string("\x2A\0\0\0", 4)},
           Case{"#-1", std::nullopt, kRegDword, std::string("\xFF\xFF\xFF\xFF", 4)},
           Case{"#x0aFF1", std::nullopt, kRegBinary, std::string("\x00\xAF\xF1", 3)},
           Case{"a[~]b", std::nullopt, kRegMultiSz, "a" + nul + "b" + nul + nul},
           Case{"[~]new", old_list, kRegMultiSz, "old" + nul + "new" + nul + nul},
           Case{"new[~]", old_list, kRegMultiSz, "new" + nul + "old" + nul + nul},
           Case{"[~]only[~]", old_list, kRegMultiSz, "only" + nul + nul},
       }) {
    SCOPED_TRACE(c.value);
    RegistryValue data = RegistryData("v", c.value, format, c.existing);
    EXPECT_EQ(data.type, c.type);
    EXPECT_EQ(data.data, c.data);
  }
}

}  // namespace
}  // namespace quillset::platform::posix::installer
