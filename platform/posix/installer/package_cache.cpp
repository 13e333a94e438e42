#include "platform/posix/installer/package_cache.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace quillset::platform::posix::installer {

namespace {

namespace fs = std::filesystem;

// Puts a copy of from at to through a temporary and a rename, so that to is whole or absent.
bool PlaceCopy(const std::string& from, const std::string& to) {
  std::error_code error;
  if (fs::equivalent(from, to, error)) return true;
  fs::create_directories(fs::path(to).parent_path(), error);
  const std::string temporary = to + ".part";
  fs::remove(temporary, error);
  if (link(from.c_str(), temporary.c_str()) != 0 && !fs::copy_file(from, temporary, error)) return false;
  if (std::rename(temporary.c_str(), to.c_str()) != 0) {
    fs::remove(temporary, error);
    return false;
  }
  return true;
}

}  // namespace

bool PackageCache::Keep(const std::string& product_code, const std::string& package_host) const {
  return PlaceCopy(package_host, PackagePath(product_code));
}

std::string PackageCache::KeepPatch(const std::string& product_code, const std::string& patch_host) const {
  std::error_code error;
  const fs::path folder = fs::path(folder_) / (product_code + ".patches");
  fs::create_directories(folder, error);
  int number = 1;
  while (fs::exists(folder / (std::to_string(number) + ".msp"), error)) ++number;
  const std::string kept = (folder / (std::to_string(number) + ".msp")).string();
  return PlaceCopy(patch_host, kept) ? kept : "";
}

std::string PackageCache::WorkingCopy(const std::string& product_code) const {
  const std::string working = folder_ + "/" + product_code + ".merging.msi";
  std::error_code error;
  fs::remove(working, error);
  // A real copy: the merge writes into it, and the kept package may be a link to the original.
  if (!fs::copy_file(PackagePath(product_code), working, error)) return "";
  return working;
}

void PackageCache::Forget(const std::string& product_code) const {
  std::error_code error;
  fs::remove(PackagePath(product_code), error);
  fs::remove_all(fs::path(folder_) / (product_code + ".patches"), error);
}

}  // namespace quillset::platform::posix::installer
