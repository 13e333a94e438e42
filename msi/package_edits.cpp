#include "msi/package_edits.h"

#include "msi/package_session.h"

namespace quillset::msi {
namespace {

namespace m = platform::msi;
using platform::MSIHANDLE;

// A text that a SQL string literal can carry as it stands.
bool FitsLiteral(std::string_view text) { return text.find('\'') == std::string_view::npos; }

bool FitLiterals(std::initializer_list<std::string_view> texts) {
  for (std::string_view text : texts)
    if (!FitsLiteral(text)) return false;
  return true;
}

std::string ReplaceQuotes(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\'')
      out += "$QUOTE$";
    else
      out += c;
  }
  return out;
}

// The new product code in the Property table and the new package code in the summary.
void WriteInstanceCodes(PackageSession& session, const InstanceState& instance) {
  if (auto summary = session.OpenSummary()) {
    summary->SetText(m::kPidRevNumber, instance.revision_code);
    summary->Persist();
  }
  if (FitsLiteral(instance.product_code))
    session.Run("UPDATE `Property` SET `Value`='" + instance.product_code + "' WHERE `Property`='" + "ProductCode" +
                "'");
}

void WriteProperty(PackageSession& session, const std::string& name, const std::string& encoded_value) {
  // A name is placed in the statements as it stands; one with a quote could rewrite other rows.
  if (!FitsLiteral(name)) return;
  std::string value = ReplaceQuotes(vars::DecodeNewlines(encoded_value));
  session.Run("INSERT INTO `Property` ( `Property` , `Value` ) VALUES ( '" + name + "' , '" + value + "' )");
  session.Run("UPDATE `Property` SET `Value`='" + value + "' WHERE `Property`='" + name + "'");
}

}  // namespace

PackagePlatform PlatformOfMode(std::string_view architecture_mode) {
  if (architecture_mode == "ia64") return {"Intel64", true};
  if (architecture_mode == "x64") return {"x64", true};
  return {"Intel", false};
}

bool PackageEditor::ApplyShortcutEdits(const std::vector<std::string>& triples) {
  PackageSession session(f_, package_);
  if (!session.open()) return false;
  for (size_t i = 0; i + 2 < triples.size(); i += 3) {
    const std::string &key = triples[i], &name = triples[i + 1], &description = triples[i + 2];
    if (FitLiterals({key, name}))
      session.Run("UPDATE `Shortcut` SET `Name`='" + name + "' WHERE `Directory_`='" + key + "'");
    if (FitLiterals({key, description}))
      session.Run("UPDATE `Shortcut` SET `Description`='" + description + "' WHERE `Directory_`='" + key + "'");
  }
  return session.Commit();
}

bool PackageEditor::ApplyFileTypeEdits(const std::vector<std::string>& triples) {
  PackageSession session(f_, package_);
  if (!session.open()) return false;
  for (size_t i = 0; i + 2 < triples.size(); i += 3) {
    const std::string &prog_id = triples[i], &new_prog_id = triples[i + 1], &description = triples[i + 2];
    // The description first: the second statement renames the key.
    if (FitLiterals({prog_id, description}))
      session.Run("UPDATE `ProgId` SET `Description`='" + description + "' WHERE `ProgId`='" + prog_id + "'");
    if (FitLiterals({prog_id, new_prog_id}))
      session.Run("UPDATE `ProgId` SET `ProgId`='" + new_prog_id + "' WHERE `ProgId`='" + prog_id + "'");
  }
  return session.Commit();
}

bool PackageEditor::WritePendingProperties(PendingProperties& pending, InstanceState& instance, GuidSource& guids) {
  if (instance.transformed && !instance.identifiers_renewed) {
    PackageSession session(f_, package_);
    if (session.open()) {
      session.UpdateRows("SELECT `ComponentId` FROM `Component`", [&](MSIHANDLE record) {
        f_.MsiRecordSetStringA(record, 1, guids.NewGuid().c_str());
      });
      // Only a committed renewal counts, so that a later run tries again.
      instance.identifiers_renewed = session.Commit();
    }
  }
  if (pending.empty() && !instance.transformed) return true;

  PackageSession session(f_, package_);
  if (!session.open()) return false;
  for (size_t i = 0; i < pending.size(); ++i) {
    if (i + 1 == pending.size() && instance.transformed) {
      WriteInstanceCodes(session, instance);
      instance.edited_package = package_;
    }
    WriteProperty(session, pending[i].first, pending[i].second);
  }
  // A transformed package must not keep the old product code beside new component identifiers.
  if (pending.empty()) {
    WriteInstanceCodes(session, instance);
    instance.edited_package = package_;
  }
  bool committed = session.Commit();
  pending.clear();
  return committed;
}

bool PackageEditor::ApplyPlatform(std::string_view architecture_mode) {
  const PackagePlatform target = PlatformOfMode(architecture_mode);
  bool changed = false;
  {
    PackageSession session(f_, package_);
    if (!session.open()) return false;
    auto summary = session.OpenSummary();
    if (!summary) return false;
    std::string templ = summary->Text(m::kPidTemplate);
    size_t separator = templ.find(';');
    std::string platform = templ.substr(0, separator);
    std::string languages = separator == std::string::npos ? std::string() : templ.substr(separator + 1);
    if (platform != target.name) {
      platform = target.name;
      changed = true;
    }
    summary->SetText(m::kPidTemplate, platform + ";" + languages);
    summary->Persist();
    summary.reset();
    session.Commit();
  }
  if (!changed) return true;
  PackageSession session(f_, package_);
  if (!session.open()) return true;
  session.UpdateRows("SELECT `Attributes` FROM `Component`", [&](MSIHANDLE record) {
    int32_t attributes = f_.MsiRecordGetInteger(record, 1);
    if (attributes == m::kNullInteger) return;
    attributes = target.components_64bit ? attributes | kComponentAttributes64Bit
                                         : attributes & ~kComponentAttributes64Bit;
    f_.MsiRecordSetInteger(record, 1, attributes);
  });
  return session.Commit();
}

bool PackageEditor::MarkWordCount() {
  PackageSession session(f_, package_);
  if (!session.open()) return false;
  auto summary = session.OpenSummary();
  if (!summary) return false;
  // A package whose files are in cabinets stays compressed: marked uncompressed, the installer
  // would look for its files beside it.
  int32_t compressed = summary->Integer(m::kPidWordCount).value_or(0) & kWordCountCompressed;
  summary->SetInteger(m::kPidWordCount, kWordCountNoElevation | compressed);
  summary->Persist();
  summary.reset();
  return session.Commit();
}

void ApplyPackageEdits(platform::InstallerFunctions& functions, PackageEditInputs& in) {
  auto report = [&in](int position) {
    if (in.progress) in.progress(position);
  };
  PackageEditor editor(functions, in.package_path);
  // A patch package's summary has other meanings (its template lists the products it patches),
  // so nothing of this applies to it.
  if (!in.patch_mode && in.language_in_use) {
    editor.ApplyShortcutEdits(in.shortcut_edits);
    editor.ApplyFileTypeEdits(in.file_type_edits);
  }
  report(50);
  if (!in.patch_mode) editor.WritePendingProperties(in.pending_properties, in.instance, in.guids);
  report(100);
  if (in.patch_mode) return;
  editor.ApplyPlatform(in.architecture_mode);
  editor.MarkWordCount();
}

}  // namespace quillset::msi
