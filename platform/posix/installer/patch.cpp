#include "platform/posix/installer/patch.h"

#include "platform/posix/installer/registration.h"

namespace quillset::platform::posix::installer {

std::string PatchTarget(PackageDatabase& patch) {
  std::vector<Row> rows;
  if (patch.HasTable("Property"))
    rows = patch.Query("SELECT `Value` FROM `Property` WHERE `Property`='ProductCode'").rows;
  auto code = rows.empty() ? std::nullopt : NormalizeProductCode(rows[0].Text(0));
  if (!code) throw PackageError("the patch names no product", msi::kErrorPatchPackageInvalid);
  return *code;
}

std::set<std::string> MergePatch(PackageDatabase& patch, PackageDatabase& target) {
  std::set<std::string> files;
  for (const std::string& table : patch.Tables()) {
    if (table.empty() || table[0] == '_' || !target.HasTable(table)) continue;
    QueryResult rows = patch.Query("SELECT * FROM `" + table + "`");
    bool streams = false;
    for (const Column& column : rows.columns) streams = streams || column.IsStream();
    if (streams || rows.columns.empty()) continue;
    std::vector<std::string> keys = target.PrimaryKeys(table);
    std::vector<size_t> key_columns;
    for (const std::string& key : keys)
      for (size_t i = 0; i < rows.columns.size(); ++i)
        if (rows.columns[i].name == key) key_columns.push_back(i);
    if (key_columns.size() != keys.size()) continue;  // the patch's table has another shape
    std::string where, names, markers;
    for (const std::string& key : keys) where += (where.empty() ? "" : " AND ") + ("`" + key + "`=?");
    for (const Column& column : rows.columns) {
      names += (names.empty() ? "`" : ", `") + column.name + "`";
      markers += markers.empty() ? "?" : ", ?";
    }
    for (const Row& row : rows.rows) {
      std::vector<Field> key_values;
      for (size_t i : key_columns) key_values.push_back(row.fields[i]);
      target.Query("DELETE FROM `" + table + "` WHERE " + where, key_values);
      target.Query("INSERT INTO `" + table + "` (" + names + ") VALUES (" + markers + ")", row.fields);
      if (table == "File") files.insert(row.Text(0));
    }
  }
  return files;
}

}  // namespace quillset::platform::posix::installer
