// A prefix with a posix platform and its installer service, a wixl-built package of two
// components (Extra conditioned on EXTRA = "TRUE"), and a handler that records messages.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/posix_platform.h"
#include "tests/support/test_support.h"

namespace quillset::platform::posix::installer {

inline constexpr char kProductCode[] = "{5C0A1E22-7B3D-4E8F-9A10-2B3C4D5E6F70}";

// The package: Main (main.txt, HKLM Software\Maker\Demo "Main" = [INSTALLDIR]) and Extra
// (extra.txt, "Extra" = 7) in ProgramFilesFolder\Demo, one feature.
std::string DemoWxs(const std::string& platform_attributes = "", const std::string& component_attributes = "",
                    const std::string& media_attributes = "Cabinet=\"demo.cab\" EmbedCab=\"yes\"");

struct Message {
  UINT type;  // with the style bits
  std::string text;
};

// Records every message; answers IDCANCEL from the message where cancel_when says so.
struct Recorder {
  std::vector<Message> messages;
  std::function<int(const Message&)> answer;  // nullptr: IDOK
  static int Handler(void* context, UINT type, LPCSTR text);
  std::vector<Message> OfType(UINT type) const;
};

class InstallerFixture {
 public:
  explicit InstallerFixture(const std::string& profile = "administrator=TRUE\n");
  // Builds the demo package (or the given .wxs) and answers its Windows path.
  std::string Package(const std::string& wxs = DemoWxs(), const std::string& name = "demo",
                      const std::vector<std::string>& wixl_arguments = {});
  std::string HostOf(const std::string& windows_path) const;
  std::string ReadRegistry(const std::string& key, const std::string& name, uint32_t view = kKeyWow64_32Key) const;
  bool KeyExists(const std::string& key, uint32_t view = kKeyWow64_32Key) const;
  std::string InstallDir() const;  // Windows path of ProgramFilesFolder\Demo\ on this machine
  std::string PackageCode(const std::string& package_host) const;

  testing::TempDir prefix, work;
  std::unique_ptr<PosixPlatform> host;
  InstallerFunctions* msi = nullptr;
};

}  // namespace quillset::platform::posix::installer
