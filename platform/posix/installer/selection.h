// Which features and components an installation installs, reinstalls, advertises or
// removes: from ADDLOCAL, REMOVE, REINSTALL and ADVERTISE ("ALL" or a list of features), the
// feature levels against INSTALLLEVEL with the Condition table, the product's installed
// state and the component conditions. A component whose condition is false is left as it is,
// at removal too.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/posix/installer/database/package_database.h"
#include "platform/posix/installer/language/condition.h"
#include "platform/posix/installer/registration.h"
#include "platform/posix/installer/session.h"

namespace quillset::platform::posix::installer {

// Installer states: -1 unknown (no action, or never installed), 1 advertised, 2 absent, 3 local.
inline constexpr int kUnknown = -1;
inline constexpr int kAdvertised = 1;
inline constexpr int kAbsent = 2;
inline constexpr int kLocal = 3;

struct FeatureState {
  std::string parent;
  int level = 1;
  int installed = kUnknown;
  int action = kUnknown;
  bool reinstall = false;
  int Final() const { return action != kUnknown ? action : installed; }
};

struct ComponentState {
  std::string code;  // the ComponentId
  std::string directory;
  int attributes = 0;
  std::string condition;
  std::string key_path;
  std::vector<std::string> features;
  int installed = kUnknown;
  int action = kUnknown;
  bool reinstall = false;
  bool Installs() const { return action == kLocal; }
  bool Removes() const { return action == kAbsent; }
};

class Selection {
 public:
  void Load(PackageDatabase& database);
  // The installed features and components of the product; none for a fresh installation.
  void SetInstalled(const ProductRecord* record);
  // conditions: evaluates the Condition table and component conditions (it may ask this
  // selection's states, so it is called after the feature states are known).
  void Select(const Properties& properties, const ConditionContext& conditions, PackageDatabase& database);

  bool ProductRemains() const;
  bool AdvertisesOnly() const;

  std::map<std::string, FeatureState> features;
  std::map<std::string, ComponentState> components;
};

}  // namespace quillset::platform::posix::installer
