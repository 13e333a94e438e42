// Copies of installed packages and of the patches applied to them, kept in the records
// folder (<records>/packages/) so that a product can be patched, repaired or removed after
// its original package is gone.
#pragma once

#include <string>

namespace quillset::platform::posix::installer {

class PackageCache {
 public:
  explicit PackageCache(std::string records_folder) : folder_(std::move(records_folder) + "/packages") {}

  // The host path the product's package is kept at.
  std::string PackagePath(const std::string& product_code) const { return folder_ + "/" + product_code + ".msi"; }
  // Keeps the package (a host path) as the product's, replacing the one kept before; a
  // hard link where the host allows, else a copy. False when it cannot be kept.
  bool Keep(const std::string& product_code, const std::string& package_host) const;
  // Keeps a patch beside the product's package; answers the kept copy's host path or "".
  std::string KeepPatch(const std::string& product_code, const std::string& patch_host) const;
  // A scratch copy of the kept package for merging a patch into, or "" when there is none.
  std::string WorkingCopy(const std::string& product_code) const;
  void Forget(const std::string& product_code) const;

 private:
  std::string folder_;
};

}  // namespace quillset::platform::posix::installer
