// The installer's records: fields of any bytes survive a line, registrations are found in
// either context, and a source added to a product is kept once.
#include <gtest/gtest.h>

#include "platform/posix/installer/record_text.h"
#include "platform/posix/installer/registration.h"
#include "tests/installer/installer_fixture.h"

namespace quillset::platform::posix::installer {
namespace {

TEST(RecordText, AnyBytesSurviveALine) {
  std::vector<std::string> fields = {"", "C:\\Program Files\\Demo\\", std::string("a\tb\nc\0d", 7), "100%", "%41",
                                     std::string(1, '\x1F') + "\r"};
  std::string line = JoinRecord(fields);
  EXPECT_EQ(line.find_first_of("\n\r"), std::string::npos);
  EXPECT_EQ(SplitRecord(line), fields);
  EXPECT_EQ(SplitRecord("C:\\x\t%zz%4"), (std::vector<std::string>{"C:\\x", "%zz%4"}));  // malformed escapes stay
}

TEST(Registrations, ProductsAreFoundInTheirContextAndKeepTheirSources) {
  InstallerFixture f;
  std::string package = f.Package();
  ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL ALLUSERS=1"), msi::kSuccess);
  Registrations records(f.prefix / "installer", f.host->platform().system.UserName());
  auto lower = std::string(kProductCode);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  auto record = records.Find(lower);
  ASSERT_TRUE(record.has_value());
  EXPECT_TRUE(record->per_machine);
  EXPECT_EQ(record->product_code, kProductCode);

  EXPECT_EQ(f.msi->MsiSourceListAddSourceA(kProductCode, nullptr, 0, "C:\\media"), msi::kSuccess);
  EXPECT_EQ(f.msi->MsiSourceListAddSourceA(kProductCode, "user", 0, "C:\\media\\"), msi::kSuccess);
  EXPECT_EQ(records.Find(kProductCode)->info["SourceList"], "C:\\media\\");
  EXPECT_EQ(f.msi->MsiSourceListAddSourceA("{00000000-0000-0000-0000-000000000000}", nullptr, 0, "C:\\media"),
            msi::kErrorUnknownProduct);
  EXPECT_EQ(f.msi->MsiSourceListAddSourceA("nonsense", nullptr, 0, "C:\\media"), msi::kErrorInvalidParameter);

  char buffer[8];
  DWORD size = sizeof buffer;
  EXPECT_EQ(f.msi->MsiGetProductInfoA(kProductCode, "PackageCode", buffer, &size), msi::kErrorMoreData);
  EXPECT_EQ(size, 38u);
  EXPECT_EQ(std::string(buffer), std::string(record->package_code.substr(0, 7)));
  size = 0;
  EXPECT_EQ(f.msi->MsiGetProductInfoA(kProductCode, "PackageCode", nullptr, &size), msi::kSuccess);
  EXPECT_EQ(size, 38u);
  EXPECT_EQ(f.msi->MsiGetProductInfoA(kProductCode, "NoSuchAttribute", nullptr, &size), msi::kErrorUnknownProperty);
}

}  // namespace
}  // namespace quillset::platform::posix::installer
