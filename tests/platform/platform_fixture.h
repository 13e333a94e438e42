// A posix platform on a fresh hermetic prefix, with an optional machine profile.
#pragma once

#include <memory>
#include <string>

#include "platform/posix/posix_platform.h"
#include "tests/support/test_support.h"

namespace quillset::platform::posix {

class PrefixPlatform {
 public:
  explicit PrefixPlatform(const std::string& profile = "") {
    if (!profile.empty()) testing::WriteFile(prefix_ / "machine.profile", profile);
    platform_ = CreatePosixPlatform({prefix_.path(), {"/usr/bin/setup"}});
  }
  // Another platform object on the same prefix, as a second process would see it.
  std::unique_ptr<PosixPlatform> Reopen() const { return CreatePosixPlatform({prefix_.path(), {"/usr/bin/setup"}}); }

  Platform& operator*() { return platform_->platform(); }
  Platform* operator->() { return &platform_->platform(); }
  const testing::TempDir& prefix() const { return prefix_; }
  PosixPlatform& posix() { return *platform_; }

 private:
  testing::TempDir prefix_;
  std::unique_ptr<PosixPlatform> platform_;
};

}  // namespace quillset::platform::posix
