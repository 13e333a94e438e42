#include "platform/posix/installer/install_run.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <map>
#include <set>

#include "platform/posix/installer/directories.h"
#include "platform/posix/installer/file_actions.h"
#include "platform/posix/installer/journal.h"
#include "platform/posix/installer/package_cache.h"
#include "platform/posix/installer/registry_actions.h"
#include "platform/posix/installer/script.h"
#include "platform/posix/installer/selection.h"
#include "platform/posix/installer/table_actions.h"
#include "platform/posix/installer/uninstall_entry.h"

namespace quillset::platform::posix::installer {

namespace {

// Standard actions that have nothing to do here beyond their messages.
const std::set<std::string>& QuietActions() {
  static const std::set<std::string> actions = {
      "AppSearch",         "CCPSearch",           "RMCCPSearch",        "FindRelatedProducts", "MigrateFeatureStates",
      "ValidateProductID", "CostInitialize",      "FileCost",           "InstallValidate",     "InstallInitialize",
      "ProcessComponents", "UnpublishFeatures",   "RegisterUser",       "RegisterProduct",     "PublishFeatures",
      "PublishProduct",    "RemoveExistingProducts", "AllocateRegistrySpace", "InstallAdminPackage", "IsolateComponents",
      "ResolveSource",     "SetODBCFolders",      "InstallSFPCatalogFile", "DeleteServices",   "UnpublishComponents",
      "PublishComponents", "RemoveODBC",          "InstallODBC",        "RegisterFonts",       "UnregisterFonts",
      "SelfRegModules",    "SelfUnregModules",    "RegisterTypeLibraries", "UnregisterTypeLibraries", "RegisterClassInfo",
      "UnregisterClassInfo", "RegisterExtensionInfo", "UnregisterExtensionInfo", "RegisterProgIdInfo",
      "UnregisterProgIdInfo", "RegisterMIMEInfo",  "UnregisterMIMEInfo", "RegisterComPlus",     "UnregisterComPlus",
      "InstallServices",   "StartServices",       "StopServices",       "MsiPublishAssemblies", "MsiUnpublishAssemblies",
      "DuplicateFiles",    "RemoveDuplicateFiles", "MoveFiles",         "PatchFiles",          "BindImage",
      "RemoveFolders",     "ExecuteAction",       "DisableRollback"};
  return actions;
}

const std::map<std::string, std::string>& Descriptions() {
  static const std::map<std::string, std::string> texts = {
      {"CostInitialize", "Computing space requirements"}, {"FileCost", "Computing space requirements"},
      {"CostFinalize", "Computing space requirements"},   {"InstallValidate", "Validating install"},
      {"InstallInitialize", ""},                          {"ProcessComponents", "Updating component registration"},
      {"UnpublishFeatures", "Unpublishing Product Features"},
      {"RegisterUser", "Registering user"},               {"RegisterProduct", "Registering product"},
      {"PublishFeatures", "Publishing Product Features"}, {"PublishProduct", "Publishing product information"},
      {"InstallFinalize", ""},                            {"LaunchConditions", "Evaluating launch conditions"},
      {"AppSearch", "Searching for installed applications"}, {"FindRelatedProducts", "Searching for related applications"},
      {"ValidateProductID", ""},                          {"RemoveExistingProducts", "Removing applications"}};
  return texts;
}

std::string Today() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y%m%d", &local);
  return text;
}

std::string NewRunName() {
  auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  return std::to_string(getpid()) + "-" + std::to_string(ticks);
}

// A step's progress: action data, and its ticks in progress reports, or (per_data above 0)
// as the ticks the action information gave each action data message.
class Progress : public StepProgress {
 public:
  Progress(Messenger& messenger, uint64_t per_data) : messenger_(messenger), per_data_(per_data) {}
  void Advance(const std::string& data, uint64_t ticks) override {
    if (per_data_ && !data.empty() && reported == 0) {
      messenger_.ActionData(data);
      reported = per_data_;
    } else {
      if (!data.empty()) messenger_.ActionData(data);
      if (messenger_.cancelled()) throw UserExit();
      messenger_.Progress(2, static_cast<int64_t>(ticks));
      reported += ticks;
    }
    if (messenger_.cancelled()) throw UserExit();
  }
  uint64_t reported = 0;

 private:
  Messenger& messenger_;
  uint64_t per_data_;
};

uint64_t StepTicks(const ScriptAction& action, const ScriptStep& step) {
  return action.ticks_per_data ? action.ticks_per_data : step.ticks;
}

class Installation {
 public:
  Installation(Session& session, Messenger& messenger, const Registrations& registrations)
      : session_(session), messenger_(messenger), registrations_(registrations) {}

  UINT Run();

 private:
  void CheckCancel() {
    if (messenger_.cancelled()) throw UserExit();
  }
  void LoadFiles();
  void MakeContexts(InstallContext& context);
  void RunAction(InstallContext& context, const std::string& action);
  bool RunCustomAction(InstallContext& context, const std::string& action);
  void ExecuteScript(InstallContext& context);
  void Commit(InstallContext& context, const std::string& run);

  Session& session_;
  Messenger& messenger_;
  const Registrations& registrations_;
  std::optional<ProductRecord> record_;
  std::string product_code_;
  Directories directories_;
  Selection selection_;
  std::map<std::string, std::pair<std::string, std::string>> files_;  // File key -> component, long name
  bool script_done_ = false;
};

void Installation::LoadFiles() {
  if (!session_.database->HasTable("File")) return;
  for (const Row& row : session_.database->Select("SELECT `File`, `Component_`, `FileName` FROM `File`"))
    files_[row.Text(0)] = {row.Text(1), LongName(row.Text(2))};
}

void Installation::MakeContexts(InstallContext& context) {
  Properties& properties = session_.properties;
  System& system = session_.host.system;
  auto property = [&properties](const std::string& name) { return properties.Find(name); };
  auto environment = [&system](const std::string& name) { return system.GetEnvironmentVariable(name); };
  auto component_state = [this](bool action) {
    return [this, action](const std::string& key) {
      auto found = selection_.components.find(key);
      if (found == selection_.components.end()) return kUnknown;
      return action ? found->second.action : found->second.installed;
    };
  };
  auto feature_state = [this](bool action) {
    return [this, action](const std::string& key) {
      auto found = selection_.features.find(key);
      if (found == selection_.features.end()) return kUnknown;
      return action ? found->second.action : found->second.installed;
    };
  };
  context.conditions = {property, environment, component_state(false), component_state(true), feature_state(false),
                        feature_state(true)};
  context.format.property = property;
  context.format.environment = environment;
  context.format.file_path = [this](const std::string& key) -> std::optional<std::string> {
    auto file = files_.find(key);
    if (file == files_.end()) return std::nullopt;
    auto component = selection_.components.find(file->second.first);
    if (component == selection_.components.end()) return std::nullopt;
    std::string folder = directories_.Target(component->second.directory);
    if (folder.empty()) return std::nullopt;
    return folder + file->second.second;
  };
  context.format.component_folder = [this](const std::string& key) -> std::optional<std::string> {
    auto component = selection_.components.find(key);
    if (component == selection_.components.end()) return std::nullopt;
    std::string folder = directories_.Target(component->second.directory);
    if (folder.empty()) return std::nullopt;
    return folder;
  };
}

bool Installation::RunCustomAction(InstallContext& context, const std::string& action) {
  PackageDatabase& database = *session_.database;
  if (!database.HasTable("CustomAction")) return false;
  auto rows = database.Query("SELECT `Type`, `Source`, `Target` FROM `CustomAction` WHERE `Action`=?",
                             {Field{Field::Kind::kString, 0, action}})
                  .rows;
  if (rows.empty()) return false;
  int type = rows[0].Integer(0, 0);
  std::string source = rows[0].Text(1), target = rows[0].Text(2);
  switch (type & 0x3F) {
    case 51:  // set a property
      session_.properties.Set(context.Format(source), context.Format(target));
      break;
    case 35:  // set a directory
      directories_.SetTarget(source, context.Format(target), session_.properties);
      break;
    case 19:  // end the installation with an error text
      throw InstallFailure(context.Format(target));
    default:
      messenger_.Info("Custom action " + action + " of type " + std::to_string(type) +
                      " is skipped: no foreign code is run on this system.");
  }
  return true;
}

void Installation::RunAction(InstallContext& context, const std::string& action) {
  auto description = Descriptions().find(action);
  messenger_.ActionStart(action, description == Descriptions().end() ? "" : description->second);
  CheckCancel();
  auto plan = [&](ScriptAction planned) {
    if (!planned.steps.empty()) context.script.push_back(std::move(planned));
  };
  if (action == "CostFinalize") {
    try {
      directories_.Resolve(session_.properties);
    } catch (const PackageError& error) {
      throw InstallFailure(error.what());
    }
    selection_.Select(session_.properties, context.conditions, *session_.database);
  } else if (action == "LaunchConditions") {
    if (session_.database->HasTable("LaunchCondition"))
      for (const Row& row : session_.database->Select("SELECT `Condition`, `Description` FROM `LaunchCondition`"))
        if (!ConditionHolds(EvaluateCondition(row.Text(0), context.conditions)))
          throw InstallFailure(context.Format(row.Text(1)));
  } else if (action == "InstallFiles") {
    plan(PlanInstallFiles(context));
  } else if (action == "RemoveFiles") {
    plan(PlanRemoveFiles(context));
  } else if (action == "CreateFolders") {
    plan(PlanCreateFolders(context));
  } else if (action == "WriteRegistryValues") {
    plan(PlanWriteRegistryValues(context));
  } else if (action == "RemoveRegistryValues") {
    plan(PlanRemoveRegistryValues(context));
  } else if (action == "CreateShortcuts") {
    plan(PlanCreateShortcuts(context));
  } else if (action == "RemoveShortcuts") {
    plan(PlanRemoveShortcuts(context));
  } else if (action == "WriteEnvironmentStrings") {
    plan(PlanWriteEnvironment(context));
  } else if (action == "RemoveEnvironmentStrings") {
    plan(PlanRemoveEnvironment(context));
  } else if (action == "WriteIniValues") {
    plan(PlanWriteIniValues(context));
  } else if (action == "RemoveIniValues") {
    plan(PlanRemoveIniValues(context));
  } else if (action == "InstallFinalize") {
    ExecuteScript(context);
  } else if (action == "ScheduleReboot" || action == "ForceReboot") {
    session_.reboot_required = true;
  } else if (!QuietActions().count(action) && !RunCustomAction(context, action)) {
    messenger_.Verbose("Action " + action + " is not carried out on this system.");
  }
  messenger_.ActionEnd(action, 1);
  CheckCancel();
}

void Installation::ExecuteScript(InstallContext& context) {
  script_done_ = true;
  // Whatever the removal planned leaves behind (items of kinds no action of the sequence
  // took away) goes in a last action, so that removal is complete whatever the sequence.
  ScriptAction leftovers{"RemoveLeftovers", "Removing files", {}, kTicksPerEntry};
  for (const ScriptAction& planned :
       {PlanRemoveFileItems(context), PlanRemoveShortcuts(context), PlanRemoveRegistryValues(context),
        PlanRemoveEnvironment(context), PlanRemoveIniValues(context)})
    leftovers.steps.insert(leftovers.steps.end(), planned.steps.begin(), planned.steps.end());
  if (!leftovers.steps.empty()) context.script.push_back(std::move(leftovers));
  if (ScriptAction entry = PlanUninstallEntry(context, product_code_); !entry.steps.empty())
    context.script.push_back(std::move(entry));
  context.script.push_back({"InstallFinalize", "", {PlanFolderCleanup(context)}});

  const std::string run = NewRunName();
  Journal journal(session_.host, run, product_code_, record_.has_value());
  context.journal = &journal;
  try {
    uint64_t total = 0;
    for (const ScriptAction& action : context.script)
      for (const ScriptStep& step : action.steps) total += StepTicks(action, step);
    messenger_.Progress(0, static_cast<int64_t>(total), 0, 0);
    CheckCancel();
    for (const ScriptAction& action : context.script) {
      auto description = action.description;
      messenger_.ActionStart(action.name, description);
      messenger_.Progress(1, static_cast<int64_t>(action.ticks_per_data), action.ticks_per_data ? 1 : 0);
      CheckCancel();
      for (const ScriptStep& step : action.steps) {
        Progress progress(messenger_, action.ticks_per_data);
        step.run(progress);
        uint64_t ticks = StepTicks(action, step);
        if (progress.reported < ticks) progress.Advance("", ticks - progress.reported);
      }
    }
    Commit(context, run);
  } catch (...) {
    messenger_.ActionStart("Rollback", "Rolling back action:");
    // The position runs backward over what is undone, a tick a step.
    messenger_.Progress(0, static_cast<int64_t>(journal.step_count()), 1, 0);
    journal.RollBack([this] { messenger_.Progress(2, 1); });
    context.journal = nullptr;
    throw;
  }
  journal.Discard();
  context.journal = nullptr;
}

void Installation::Commit(InstallContext& context, const std::string& run) {
  PackageCache cache(session_.host.records);
  if (!selection_.ProductRemains()) {
    if (record_ && !registrations_.Remove(record_->product_code, record_->per_machine))
      throw InstallFailure("The product's registration could not be removed.");
    cache.Forget(product_code_);
    return;
  }
  Properties& p = session_.properties;
  ProductRecord record;
  record.product_code = product_code_;
  record.package_code = session_.package_code;
  record.state = selection_.AdvertisesOnly() ? kAdvertised : 5;
  record.per_machine = PerMachine(session_);
  record.run = run;
  record.info["ProductName"] = p.Get("ProductName");
  record.info["VersionString"] = p.Get("ProductVersion");
  record.info["Publisher"] = p.Get("Manufacturer");
  record.info["Language"] = p.Get("ProductLanguage");
  record.info["InstallLocation"] = p.Get("ARPINSTALLLOCATION");
  record.info["PackagePath"] = session_.package;
  record.info["UpgradeCode"] = p.Get("UpgradeCode");
  record.info["InstallDate"] = record_ && record_->info.count("InstallDate") ? record_->info.at("InstallDate") : Today();
  if (record_)
    for (const char* kept : {"SourceList", "Patches"})
      if (record_->info.count(kept)) record.info[kept] = record_->info.at(kept);
  for (const auto& [name, value] : session_.record_info) record.info[name] = value;
  if (cache.Keep(product_code_, session_.package_host))
    record.info["LocalPackage"] = session_.host.paths.ToWindows(cache.PackagePath(product_code_));
  for (const auto& [key, feature] : selection_.features)
    if (feature.Final() == kLocal || feature.Final() == kAdvertised) record.features[key] = feature.Final();
  for (const auto& [key, component] : selection_.components)
    if (component.Installs() || (component.installed == kLocal && !component.Removes())) record.components[key] = component.code;
  std::set<InstalledItem> seen;
  if (record_)
    for (const InstalledItem& item : record_->items)
      if (!context.removed.count(item) && seen.insert(item).second) record.items.push_back(item);
  for (const InstalledItem& item : context.added)
    if (seen.insert(item).second) record.items.push_back(item);
  if (!registrations_.Write(record)) throw InstallFailure("The product could not be registered.");
  if (record_ && record_->per_machine != record.per_machine) registrations_.Remove(product_code_, record_->per_machine);
}

UINT Installation::Run() {
  auto code = NormalizeProductCode(session_.properties.Get("ProductCode"));
  if (!code) {
    messenger_.Error("This installation package has no valid ProductCode.");
    return msi::kErrorInstallPackageInvalid;
  }
  product_code_ = *code;
  record_ = registrations_.Find(product_code_);
  if (record_ && (record_->per_machine != PerMachine(session_)) && !session_.properties.Find("ALLUSERS"))
    session_.properties.Set("ALLUSERS", record_->per_machine ? "1" : "");
  if (record_) {
    // The cabinets of patches applied before live in the kept patches.
    auto patches = record_->info.find("Patches");
    for (size_t start = 0; patches != record_->info.end() && start < patches->second.size();) {
      size_t end = patches->second.find(';', start);
      std::string patch = patches->second.substr(start, end == std::string::npos ? std::string::npos : end - start);
      if (!patch.empty() && std::find(session_.stream_sources.begin(), session_.stream_sources.end(), patch) ==
                                session_.stream_sources.end())
        session_.stream_sources.push_back(patch);
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  SetSystemProperties(session_, record_ ? record_->state : -1,
                      record_ && record_->info.count("InstallDate") ? record_->info.at("InstallDate") : "");
  Properties& properties = session_.properties;
  std::string product_name = properties.Get("ProductName");
  messenger_.Initialize(product_name, static_cast<uint32_t>(std::atoi(properties.Get("ProductLanguage").c_str())));

  if (record_ && record_->package_code != session_.package_code &&
      ReinstallMode(properties).find('v') == std::string::npos) {
    messenger_.Error("Another version of this product is already installed. Installation of this version cannot "
                     "continue. To configure or remove the existing version of this product, use Add/Remove Programs "
                     "on the Control Panel.");
    messenger_.Terminate();
    return msi::kErrorProductVersion;
  }

  std::vector<ProductRecord> others;
  for (ProductRecord& other : registrations_.All())
    if (other.product_code != product_code_) others.push_back(std::move(other));
  InstallContext context{session_, directories_, selection_, messenger_, record_ ? &*record_ : nullptr,
                         std::move(others), {}, {}, nullptr, {}, {}, {}};
  MakeContexts(context);

  UINT result = msi::kSuccess;
  try {
    try {
      directories_.Load(*session_.database, session_.word_count & 1);
      selection_.Load(*session_.database);
      LoadFiles();
      selection_.SetInstalled(context.record);
      std::vector<Row> sequence;
      if (session_.database->HasTable("InstallExecuteSequence"))
        sequence = session_.database->Select(
            "SELECT `Action`, `Condition`, `Sequence` FROM `InstallExecuteSequence` ORDER BY `Sequence`");
      for (const Row& row : sequence) {
        if (row.Integer(2, 0) <= 0) continue;  // the exit dialogs of the interface sequences
        const std::string action = row.Text(0);
        ConditionResult condition = EvaluateCondition(row.Text(1), context.conditions);
        if (condition == ConditionResult::kError)
          messenger_.Verbose("The condition of " + action + " cannot be evaluated: " + row.Text(1));
        if (!ConditionHolds(condition)) {
          messenger_.Verbose("Skipping action: " + action + " (condition is false)");
          continue;
        }
        RunAction(context, action);
      }
      if (!script_done_) ExecuteScript(context);
      if (session_.reboot_required) result = msi::kErrorSuccessRebootRequired;
    } catch (const PackageError& error) {
      throw InstallFailure(std::string("The installation package is damaged: ") + error.what());
    }
  } catch (const UserExit&) {
    result = msi::kErrorInstallUserExit;
  } catch (const InstallFailure& failure) {
    messenger_.Error(failure.what());
    result = msi::kErrorInstallFailure;
  } catch (const std::exception& failure) {
    messenger_.Error(std::string("Internal installer error: ") + failure.what());
    result = msi::kErrorInstallFailure;
  }
  std::string what = record_ && !selection_.ProductRemains() ? "Removal" : "Installation";
  if (result == msi::kSuccess || result == msi::kErrorSuccessRebootRequired)
    messenger_.Info("Product: " + product_name + " -- " + what + " completed successfully.");
  else if (result == msi::kErrorInstallUserExit)
    messenger_.Info("Product: " + product_name + " -- " + what + " operation was cancelled.");
  else
    messenger_.Info("Product: " + product_name + " -- " + what + " failed.");
  messenger_.Info("Installation success or error status: " + std::to_string(result) + ".");
  messenger_.PropertyDump(properties.all());
  messenger_.Terminate();
  return result;
}

}  // namespace

UINT RunInstall(Session& session, Messenger& messenger, const Registrations& registrations) {
  return Installation(session, messenger, registrations).Run();
}

}  // namespace quillset::platform::posix::installer
