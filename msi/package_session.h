// One opening of a package in direct mode through the installer's database functions, closed
// with its handles when the object goes. Statement results are not reported: a statement that
// fails simply has no effect, as the package edits want it.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/installer.h"

namespace quillset::msi {

class PackageSession {
 public:
  // Opens the package; open() tells whether that worked. A table that lacks one of the
  // functions the edits use counts as a package that cannot be opened.
  PackageSession(platform::InstallerFunctions& functions, const std::string& package_path);
  ~PackageSession();
  PackageSession(const PackageSession&) = delete;
  PackageSession& operator=(const PackageSession&) = delete;

  bool open() const { return database_ != 0; }
  // Runs a statement without parameters.
  void Run(const std::string& sql);
  // Runs a query and writes back every row after change(record) has edited it.
  void UpdateRows(const std::string& sql, const std::function<void(platform::MSIHANDLE record)>& change);
  bool Commit();

  // The summary information opened for one update; empty when it cannot be.
  class Summary {
   public:
    Summary(platform::InstallerFunctions& functions, platform::MSIHANDLE summary) : f_(functions), summary_(summary) {}
    ~Summary() { f_.MsiCloseHandle(summary_); }
    Summary(const Summary&) = delete;
    Summary& operator=(const Summary&) = delete;
    // The text of a property, however long; empty when it has none.
    std::string Text(platform::UINT property);
    std::optional<int32_t> Integer(platform::UINT property);
    void SetText(platform::UINT property, const std::string& value);
    void SetInteger(platform::UINT property, int32_t value);
    void Persist();

   private:
    platform::InstallerFunctions& f_;
    platform::MSIHANDLE summary_;
  };
  std::optional<Summary> OpenSummary();

 private:
  platform::InstallerFunctions& f_;
  platform::MSIHANDLE database_ = 0;
};

}  // namespace quillset::msi
