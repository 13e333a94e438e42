#include "platform/posix/installer/selection.h"

#include <set>

namespace quillset::platform::posix::installer {

namespace {

// "ALL", or features separated by commas.
struct FeatureList {
  bool all = false;
  std::set<std::string> names;
  bool empty() const { return !all && names.empty(); }
  bool Has(const std::string& feature) const { return all || names.count(feature) > 0; }
};

FeatureList ListOf(const std::string& text) {
  FeatureList list;
  if (text == "ALL") {
    list.all = true;
    return list;
  }
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    std::string name = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (!name.empty()) list.names.insert(name);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return list;
}

}  // namespace

void Selection::Load(PackageDatabase& database) {
  features.clear();
  components.clear();
  if (database.HasTable("Feature"))
    for (const Row& row : database.Select("SELECT `Feature`, `Feature_Parent`, `Level` FROM `Feature`"))
      features[row.Text(0)] = {row.Text(1) == row.Text(0) ? "" : row.Text(1), row.Integer(2, 0)};
  if (database.HasTable("Component"))
    for (const Row& row : database.Select(
             "SELECT `Component`, `ComponentId`, `Directory_`, `Attributes`, `Condition`, `KeyPath` FROM `Component`")) {
      ComponentState& component = components[row.Text(0)];
      component.code = row.Text(1);
      component.directory = row.Text(2);
      component.attributes = row.Integer(3, 0);
      component.condition = row.Text(4);
      component.key_path = row.Text(5);
    }
  if (database.HasTable("FeatureComponents"))
    for (const Row& row : database.Select("SELECT `Feature_`, `Component_` FROM `FeatureComponents`"))
      if (auto found = components.find(row.Text(1)); found != components.end() && features.count(row.Text(0)))
        found->second.features.push_back(row.Text(0));
}

void Selection::SetInstalled(const ProductRecord* record) {
  for (auto& [key, feature] : features) {
    feature.installed = kUnknown;
    if (!record) continue;
    auto found = record->features.find(key);
    feature.installed = found == record->features.end() ? kAbsent : found->second;
  }
  for (auto& [key, component] : components) {
    component.installed = record ? kAbsent : kUnknown;
    if (record && record->components.count(key)) component.installed = kLocal;
  }
}

void Selection::Select(const Properties& properties, const ConditionContext& conditions, PackageDatabase& database) {
  if (database.HasTable("Condition"))
    for (const Row& row : database.Select("SELECT `Feature_`, `Level`, `Condition` FROM `Condition`"))
      if (auto found = features.find(row.Text(0)); found != features.end())
        if (EvaluateCondition(row.Text(2), conditions) == ConditionResult::kTrue) found->second.level = row.Integer(1, 0);

  FeatureList add = ListOf(properties.Get("ADDLOCAL")), remove = ListOf(properties.Get("REMOVE")),
              reinstall = ListOf(properties.Get("REINSTALL")), advertise = ListOf(properties.Get("ADVERTISE"));
  int install_level = std::atoi(properties.Get("INSTALLLEVEL").c_str());
  bool fresh = true;
  for (const auto& [key, feature] : features)
    if (feature.installed == kLocal || feature.installed == kAdvertised) fresh = false;
  bool asked = !(add.empty() && remove.empty() && reinstall.empty() && advertise.empty());

  for (auto& [key, feature] : features) {
    feature.action = kUnknown;
    feature.reinstall = false;
    bool enabled = feature.level > 0;
    if (!asked) {
      if (fresh && enabled && feature.level <= install_level) feature.action = kLocal;
      continue;
    }
    if (add.Has(key) && enabled && feature.installed != kLocal) feature.action = kLocal;
    if (remove.Has(key) && (feature.installed == kLocal || feature.installed == kAdvertised || feature.action != kUnknown))
      feature.action = kAbsent;
    if (reinstall.Has(key) && feature.installed == kLocal && feature.action == kUnknown) {
      feature.action = kLocal;
      feature.reinstall = true;
    }
    if (advertise.Has(key) && enabled && feature.action == kUnknown && feature.installed != kLocal &&
        feature.installed != kAdvertised)
      feature.action = kAdvertised;
  }
  // A feature cannot be present below a parent that is not.
  for (int pass = 0; pass < 64; ++pass) {
    bool changed = false;
    for (auto& [key, feature] : features) {
      if (feature.parent.empty() || !features.count(feature.parent)) continue;
      int parent = features.at(feature.parent).Final();
      int own = feature.Final();
      bool parent_present = parent == kLocal || parent == kAdvertised;
      if (!parent_present && (own == kLocal || own == kAdvertised)) {
        feature.action = feature.installed == kLocal || feature.installed == kAdvertised ? kAbsent : kUnknown;
        if (feature.action == kUnknown && feature.installed != kUnknown) feature.installed = kAbsent;
        changed = true;
      }
    }
    if (!changed) break;
  }

  for (auto& [key, component] : components) {
    int want = kAbsent;
    bool reinstall_wanted = false;
    for (const std::string& name : component.features) {
      const FeatureState& feature = features.at(name);
      if (feature.Final() == kLocal) want = kLocal;
      else if (feature.Final() == kAdvertised && want != kLocal) want = kAdvertised;
      reinstall_wanted = reinstall_wanted || feature.reinstall;
    }
    component.action = kUnknown;
    component.reinstall = false;
    if (!ConditionHolds(EvaluateCondition(component.condition, conditions))) continue;
    if (want == kLocal) {
      if (component.installed != kLocal) {
        component.action = kLocal;
      } else if (reinstall_wanted) {
        component.action = kLocal;
        component.reinstall = true;
      }
    } else if (component.installed == kLocal) {
      component.action = kAbsent;
    }
  }
}

bool Selection::ProductRemains() const {
  for (const auto& [key, feature] : features)
    if (feature.Final() == kLocal || feature.Final() == kAdvertised) return true;
  return false;
}

bool Selection::AdvertisesOnly() const {
  bool advertised = false;
  for (const auto& [key, feature] : features) {
    if (feature.Final() == kLocal) return false;
    advertised = advertised || feature.Final() == kAdvertised;
  }
  return advertised;
}

}  // namespace quillset::platform::posix::installer
