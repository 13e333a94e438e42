// The database entries of the installer table over PackageDatabase: databases, views,
// records and summary information as handles of the HandleTable, with Windows' arguments,
// buffer rules and result codes.
//
// Row updates (MsiViewModify) need the rows' primary keys, which a view need not select. When a
// view runs, the keys of its rows are read by a second statement made from the view's own:
//
//   statement := "SELECT" [ "DISTINCT" ] columns "FROM" table [ rest ]
//   keys      := "SELECT" key-columns-of(table) "FROM" table [ rest ]
//
// (keywords in any case, names bare or in `backquotes`). rest (WHERE, ORDER BY) is kept as it
// stands, so both statements list the same rows in the same order. A view of several tables
// ("FROM a, b") or of DISTINCT rows has no keys, and updating its rows fails.
#pragma once

#include "platform/installer.h"
#include "platform/posix/installer/database/handle_table.h"
#include "platform/posix/paths/path_map.h"

namespace quillset::platform::posix::installer {

// Fills the database, view, record and summary entries and MsiCloseHandle. The table's entries
// refer to handles and paths, which must outlive them.
void FillDatabaseFunctions(platform::InstallerFunctions& table, HandleTable& handles, const PathMap& paths);

}  // namespace quillset::platform::posix::installer
