#include "msi/package_session.h"

#include <vector>

namespace quillset::msi {
namespace {

namespace m = platform::msi;
using platform::MSIHANDLE;
using platform::UINT;

bool HasEditFunctions(const platform::InstallerFunctions& f) {
  return f.MsiOpenDatabaseA && f.MsiDatabaseOpenViewA && f.MsiViewExecute && f.MsiViewFetch && f.MsiViewModify &&
         f.MsiViewClose && f.MsiDatabaseCommit && f.MsiCloseHandle && f.MsiRecordGetInteger &&
         f.MsiRecordSetInteger && f.MsiRecordSetStringA && f.MsiGetSummaryInformationA &&
         f.MsiSummaryInfoGetPropertyA && f.MsiSummaryInfoSetPropertyA && f.MsiSummaryInfoPersist;
}

}  // namespace

PackageSession::PackageSession(platform::InstallerFunctions& functions, const std::string& package_path)
    : f_(functions) {
  if (!HasEditFunctions(f_)) return;
  MSIHANDLE database = 0;
  if (f_.MsiOpenDatabaseA(package_path.c_str(), reinterpret_cast<platform::LPCSTR>(m::kDbOpenDirect), &database) ==
      m::kSuccess)
    database_ = database;
}

PackageSession::~PackageSession() {
  if (database_) f_.MsiCloseHandle(database_);
}

void PackageSession::Run(const std::string& sql) {
  MSIHANDLE view = 0;
  if (f_.MsiDatabaseOpenViewA(database_, sql.c_str(), &view) != m::kSuccess) return;
  f_.MsiViewExecute(view, 0);
  f_.MsiViewClose(view);
  f_.MsiCloseHandle(view);
}

void PackageSession::UpdateRows(const std::string& sql, const std::function<void(MSIHANDLE record)>& change) {
  MSIHANDLE view = 0;
  if (f_.MsiDatabaseOpenViewA(database_, sql.c_str(), &view) != m::kSuccess) return;
  if (f_.MsiViewExecute(view, 0) == m::kSuccess) {
    // Any result other than a row ends the loop, not only "no more items": a failing view
    // must not keep the edit turning.
    MSIHANDLE record = 0;
    while (f_.MsiViewFetch(view, &record) == m::kSuccess) {
      change(record);
      f_.MsiViewModify(view, m::kModifyUpdate, record);
      f_.MsiCloseHandle(record);
    }
  }
  f_.MsiViewClose(view);
  f_.MsiCloseHandle(view);
}

bool PackageSession::Commit() { return f_.MsiDatabaseCommit(database_) == m::kSuccess; }

std::optional<PackageSession::Summary> PackageSession::OpenSummary() {
  MSIHANDLE summary = 0;
  if (f_.MsiGetSummaryInformationA(database_, nullptr, 1, &summary) != m::kSuccess) return std::nullopt;
  return std::optional<Summary>(std::in_place, f_, summary);
}

std::string PackageSession::Summary::Text(UINT property) {
  // A first try with the usual room, and a second with the length the first one reported.
  std::vector<char> buffer(261);
  for (int attempt = 0; attempt < 2; ++attempt) {
    UINT type = 0;
    int32_t integer = 0;
    platform::DWORD size = static_cast<platform::DWORD>(buffer.size());
    UINT result = f_.MsiSummaryInfoGetPropertyA(summary_, property, &type, &integer, nullptr, buffer.data(), &size);
    if (result == m::kErrorMoreData) {
      buffer.resize(size + 1);
      continue;
    }
    if (result != m::kSuccess || type != m::kVtLpstr) return std::string();
    return std::string(buffer.data(), size);
  }
  return std::string();
}

std::optional<int32_t> PackageSession::Summary::Integer(UINT property) {
  UINT type = 0;
  int32_t integer = 0;
  char buffer[1] = {0};
  platform::DWORD size = 0;
  if (f_.MsiSummaryInfoGetPropertyA(summary_, property, &type, &integer, nullptr, buffer, &size) != m::kSuccess ||
      (type != m::kVtI4 && type != m::kVtI2))
    return std::nullopt;
  return integer;
}

void PackageSession::Summary::SetText(UINT property, const std::string& value) {
  f_.MsiSummaryInfoSetPropertyA(summary_, property, m::kVtLpstr, 0, nullptr, value.c_str());
}

void PackageSession::Summary::SetInteger(UINT property, int32_t value) {
  f_.MsiSummaryInfoSetPropertyA(summary_, property, m::kVtI4, value, nullptr, nullptr);
}

void PackageSession::Summary::Persist() { f_.MsiSummaryInfoPersist(summary_); }

}  // namespace quillset::msi
