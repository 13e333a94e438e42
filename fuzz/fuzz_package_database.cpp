// Package files from outside: opening one must succeed or fail with PackageError, and so must
// listing its tables, reading their rows and reading its summary information.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/posix/installer/database/package_database.h"

namespace {

// One file per fuzzing process, rewritten for every input.
const std::string& InputPath() {
  static const std::string path = (std::filesystem::temp_directory_path() /
                                   ("fuzz_package_database_" + std::to_string(std::random_device{}()) + ".msi"))
                                      .string();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillset::platform::posix::installer;
  {
    std::ofstream out(InputPath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  try {
    auto database = PackageDatabase::Open(InputPath(), PackageDatabase::Mode::kReadOnly);
    for (const std::string& table : database->Tables()) {
      try {
        database->PrimaryKeys(table);
        database->Select("SELECT * FROM `" + table + "`");
      } catch (const PackageError&) {
        // A damaged table fails on its own; the next one is read all the same.
      }
    }
    for (uint32_t property = 0; property <= 20; ++property) {
      database->SummaryString(property);
      database->SummaryInteger(property);
      database->SummaryTime(property);
    }
  } catch (const PackageError&) {
    // Rejected with a message: what a bad package should get.
  }
  return 0;
}
