#include "msi/installer_run.h"

#include <chrono>
#include <exception>
#include <memory>
#include <unordered_set>

#include "platform/system_error_text.h"
#include "platform/win_path.h"
#include "ui/background_work.h"
#include "vars/text_case.h"

namespace quillset::msi {
namespace {

constexpr const char* kInstallerProgressText = "Windows Installer";
constexpr platform::DWORD kLogMode = 0x3FDF;
constexpr platform::DWORD kLogAttributes = 3;  // append, flush every line
constexpr platform::UINT kInternalUi = 258;   // none, with source resolution
constexpr platform::DWORD kMessageFilter = 0x7FDF;
constexpr uint32_t kBusyWaitMs = 3141;
constexpr size_t kMaxSystemText = 10241;
constexpr const char* kTempPackagesKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\TempPackages";

bool HasBlank(const std::string& text) { return text.find(' ') != std::string::npos; }
std::string Quoted(const std::string& text, bool quote) { return quote ? "\"" + text + "\"" : text; }

// Pairs of a snapshot text.
std::vector<std::pair<std::string, std::string>> Pairs(const std::string& text) {
  std::vector<std::string> lines = vars::SplitSnapshotText(text);
  std::vector<std::pair<std::string, std::string>> pairs;
  for (size_t i = 0; i + 1 < lines.size(); i += 2) pairs.emplace_back(lines[i], lines[i + 1]);
  return pairs;
}

void AppendRecord(std::string& text, const std::string& name, const std::string& value) {
  text += name + "\r\n";
  // A value with line breaks takes as many lines as it has; every break is written CR LF.
  std::string line;
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
      text += line + "\r\n";
      line.clear();
    } else {
      line += c;
    }
  }
  text += line + "\r\n$ex\r\n";
}

}  // namespace

bool IsReservedInstallerProperty(const std::string& name) {
  static const std::unordered_set<std::string> reserved = [] {
    const char* names[] = {
        "MSIDISABLEEEUI", "MSIUNINSTALLSUPERSEDEDCOMPONENTS", "MSIRESTARTMANAGERCONTROL",
        "MSIARPSETTINGSIDENTIFIER", "MsiLogging", "MsiLogFileLocation", "MsiSystemRebootPending",
        "MsiRunningElevated", "MsiRestartManagerSessionKey", "MSIDISABLERMRESTART", "MSIRMSHUTDOWN",
        "MSIUSEREALADMINDETECTION", "MinorUpdateTargetRTM", "MSIDISABLELUAPATCHING",
        "MSIENFORCEUPGRADECOMPONENTRULES", "MSIPATCHREMOVE", "MsiPatchRemovalList", "MsiUISourceResOnly",
        "MsiUIHideCancel", "MsiUIProgressOnly", "ACTION", "ALLUSERS", "ARPAUTHORIZEDCDFPREFIX", "ARPCOMMENTS",
        "ARPCONTACT", "ARPINSTALLLOCATION", "ARPNOMODIFY", "ARPNOREMOVE", "ARPNOREPAIR", "ARPPRODUCTICON",
        "ARPREADME", "ARPSIZE", "ARPSYSTEMCOMPONENT", "ARPURLINFOABOUT", "ARPURLUPDATEINFO", "AVAILABLEFREEREG",
        "CCP_DRIVE", "DEFAULTUIFONT", "DISABLEADVTSHORTCUTS", "DISABLEMEDIA", "DISABLEROLLBACK", "EXECUTEACTION",
        "EXECUTEMODE", "FASTOEM", "INSTALLLEVEL", "LIMITUI", "LOGACTION", "MEDIAPACKAGEPATH", "MSINODISABLEMEDIA",
        "PRIMARYFOLDER", "PRIVILEGED", "PROMPTROLLBACKCOST", "REBOOT", "REBOOTPROMPT", "ROOTDRIVE", "SEQUENCE",
        "SHORTFILENAMES", "TRANSFORMS", "TRANSFORMSATSOURCE", "TRANSFORMSSECURE", "DATE", "TIME", "ADDDEFAULT",
        "ADDLOCAL", "ADDSOURCE", "ADVERTISE", "COMPADDLOCAL", "COMPADDSOURCE", "FILEADDDEFAULT", "FILEADDLOCAL",
        "FILEADDSOURCE", "PATCH", "REINSTALL", "REINSTALLMODE", "REMOVE", "ALPHA", "BORDERSIDE", "BORDERTOP",
        "CAPTIONHEIGHT", "COLORBITS", "INTEL", "INTEL64", "MSIAMD64", "PHYSICALMEMORY", "SCREENX", "SCREENY",
        "TEXTHEIGHT", "VIRTUALMEMORY", "AFTERREBOOT", "COSTINGCOMPLETE", "INSTALLED", "MSICHECKCRCS",
        "NOCOMPANYNAME", "NOUSERNAME", "OUTOFDISKSPACE", "OUTOFNORBDISKSPACE", "PRESELECTED", "PRIMARYVOLUMEPATH",
        "PRIMARYVOLUMESPACEAVAILABLE", "PRIMARYVOLUMESPACEREMAINING", "PRIMARYVOLUMESPACEREQUIRED",
        "PRODUCTLANGUAGE", "REPLACEINUSEFILES", "RESUME", "ROLLBACKDISABLED", "UILEVEL", "UPDATESTARTED",
        "UPGRADINGPRODUCTCODE", "VERSIONMSI", "ADMINPROPERTIES", "COMPANYNAME", "LOGONUSER", "MSIHIDDENPROPERTIES",
        "PIDKEY", "PRODUCTID", "USERLANGUAGEID", "USERNAME", "USERSID", "ADMINTOOLSFOLDER", "APPDATAFOLDER",
        "COMMONAPPDATAFOLDER", "COMMONFILES64FOLDER", "COMMONFILESFOLDER", "DESKTOPFOLDER", "FAVORITESFOLDER",
        "FONTSFOLDER", "LOCALAPPDATAFOLDER", "MYPICTURESFOLDER", "PERSONALFOLDER", "PROGRAMFILES64FOLDER",
        "PROGRAMFILESFOLDER", "PROGRAMMENUFOLDER", "SENDTOFOLDER", "STARTMENUFOLDER", "STARTUPFOLDER",
        "SYSTEM16FOLDER", "SYSTEM64FOLDER", "SYSTEMFOLDER", "TEMPFOLDER", "TEMPLATEFOLDER", "WINDOWSFOLDER",
        "WINDOWSVOLUME", "PATCHNEWPACKAGECODE", "PATCHNEWSUMMARYCOMMENTS", "PATCHNEWSUMMARYSUBJECT", "ARPHELPLINK",
        "ARPHELPTELEPHONE", "DISKPROMPT", "ISADMINPACKAGE", "LEFTUNIT", "MANUFACTURER", "MediaSourceDir",
        "MSIINSTANCEGUID", "MSINEWINSTANCE", "PIDTEMPLATE", "PRODUCTCODE", "PRODUCTNAME", "PRODUCTSTATE",
        "PRODUCTVERSION", "UPGRADECODE", "ADMINUSER", "COMPUTERNAME", "MSINTPRODUCTTYPE", "MSINTSUITEBACKOFFICE",
        "MSINTSUITEDATACENTER", "MSINTSUITEENTERPRISE", "MSINTSUITESMALLBUSINESS",
        "MSINTSUITESMALLBUSINESSRESTRICTED", "MSINTSUITEWEBSERVER", "MSINTSUITEPERSONAL", "MSINETASSEMBLYSUPPORT",
        "MSIWIN32ASSEMBLYSUPPORT", "OLEADVTSUPPORT", "REDIRECTEDDLLSUPPORT", "REMOTEADMINTS", "SERVICEPACKLEVEL",
        "SERVICEPACKLEVELMINOR", "SHAREDWINDOWS", "SHELLADVTSUPPORT", "SYSTEMLANGUAGEID", "TERMINALSERVER",
        "TTCSUPPORT", "VERSION9X", "VERSIONDATABASE", "VERSIONNT", "VERSIONNT64", "WINDOWSBUILD",
        "ORIGINALDATABASE", "SourceDir", "SRCDIR", "CLEANUPUNINSTALLROLLBACK", "CLIENTPROCESSID", "CLIENTUILEVEL",
        "CURRENTDIRECTORY", "DATABASE", "SUPPORTDIR", "PACKAGECODE", "PACKAGECODECHANGING", "SOURCEDIRPRODUCT"
    };
    std::unordered_set<std::string> set;
    for (const char* n : names) set.insert(vars::UpperCase(n));
    return set;
  }();
  return reserved.count(vars::UpperCase(name)) != 0;
}

std::string ComposeCommandLine(const CommandLineFacts& f, const InstallerFolders& folders) {
  const std::string all_users = f.all_users ? "ALLUSERS=1 " : "ALLUSERS=\"\" ";
  std::string line;
  if (f.patch_mode) {
    line = "ADDLOCAL=ALL ";
  } else if (!f.install) {
    line = "REMOVE=ALL ";
  } else if (f.product_installed) {
    line = !f.advertise && f.advertised_marker ? "ADDLOCAL=ALL ADVERTISE=\"\" " : "REINSTALL=ALL REINSTALLMODE=vomus ";
  } else {
    line = f.advertise ? "ADVERTISE=ALL " : "ADDLOCAL=ALL ";
  }
  line += all_users;
  if (f.disable_rollback) line += "DISABLEROLLBACK=1 ";
  if (f.disable_restart_manager) line += "MSIRESTARTMANAGERCONTROL=Disable ";
  if (f.patch_mode) {
    line += "SRCDIR=" + Quoted(folders.media_folder, folders.data_blank) + " ";
    line += "SRCDIREX=" + Quoted(folders.media_folder, folders.data_blank) + " ";
  }
  const bool removal = !f.patch_mode && !f.install;
  if (!f.patch_mode && f.install)
    line += "ARPSYSTEMCOMPONENT=1 ARPNOREMOVE=1 ARPNOMODIFY=1 ARPNOREPAIR=1 ARPINSTALLLOCATION=\"" + f.target_folder +
            "\" ";
  if (removal && f.nt_family) line += all_users + "REMOVE=ALL ";
  if (!f.patch_mode && (f.install || f.nt_family)) {
    line += "SRCDIR=" + Quoted(folders.data_folder, folders.data_blank) + " ";
    line += "SOURCELIST=" + folders.source_list + " ";
    line += "MEDIAPACKAGEPATH=" + Quoted(folders.media_package_path, folders.data_blank) + " ";
    line += "REBOOT=R ";
  }
  return line;
}

std::string PropertyExchangeText(const InstallerRunInputs& inputs, const InstallerFolders& folders,
                                 const vars::VariableStore& store, bool& quiet, std::string& caption) {
  std::string text;
  AppendRecord(text, "SourceDir", inputs.patch_mode ? folders.media_folder : folders.data_folder);
  AppendRecord(text, inputs.patch_mode ? "SRCDIREX" : "MEDIAPACKAGEPATH",
               inputs.patch_mode ? folders.media_folder : folders.media_package_path);
  for (const auto& [name, value] : Pairs(inputs.parameter_text))
    AppendRecord(text, name, store.ExpandPath(vars::DecodeNewlines(value)));
  quiet = false;
  caption.clear();
  for (const auto& [name, value] : Pairs(inputs.variables_text)) {
    std::string upper = vars::UpperCase(name);
    if (upper == "SILENT") quiet = vars::UpperCase(value) == "TRUE";
    if (upper == "TITLE") caption = value;
    if (IsReservedInstallerProperty(name)) continue;
    AppendRecord(text, name, store.ExpandPath(vars::DecodeNewlines(value)));
  }
  return text;
}

std::string InstallerResultText(platform::UINT code) {
  std::string text = platform::SystemErrorText(code).substr(0, kMaxSystemText);
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) text.pop_back();
  return text;
}

int InstallerRun::Run(const InstallerRunInputs& inputs, const std::string& progress_dialog_path) {
  platform::System& system = platform_.system;
  const std::string previous_folder = system.CurrentDirectory();
  if (!progress_dialog_path.empty()) system.SetCurrentDirectory(platform::ExtractFilePath(progress_dialog_path));
  variables_.SetVariable(ui::kFinishedVariable, "FALSE", "Installer");
  variables_.SetVariable(ui::kCancelledVariable, "FALSE", "Installer");
  outputs_ = {};
  handler_.ClearLastErrorText();
  progress_.Report("", 0, 0, -1);
  // The installer thread never tests a terminate request: a cancel reaches it through
  // "KVOR_thCancelled" alone.
  std::atomic<bool> unused_terminate{false};
  ui::RunBackgroundWork(progress_, unused_terminate, [&] { Execute(inputs); });
  system.SetCurrentDirectory(previous_folder);
  if (variables_.GetVariable(ui::kCancelledVariable) == "TRUE") return 0;
  if (outputs_.error) return -1;
  return outputs_.reboot ? 2 : 1;
}

bool InstallerRun::Cancelled() const { return variables_.GetVariable(ui::kCancelledVariable) == "TRUE"; }

void InstallerRun::Finish() { variables_.SetVariable(ui::kFinishedVariable, "TRUE", "Installer"); }

void InstallerRun::Execute(const InstallerRunInputs& inputs) {
  std::string exchange_file;
  try {
    RemoveStaleTemporaryPackages(inputs.product_code);
    folders_ = DeriveFolders(inputs);
    progress_.Report(kInstallerProgressText, 0, 100, 0);

    bool quiet = false;
    std::string caption;
    const std::string exchange = PropertyExchangeText(inputs, folders_, variables_, quiet, caption);
    handler_.Prepare(quiet, caption);
    exchange_file = platform::IncludeTrailingBackslash(platform_.system.TempFolder()) + inputs.product_code;
    // It carries every variable, passwords included: readable by this user alone.
    auto file = platform_.files.Open(exchange_file, platform::OpenMode::kCreatePrivate);
    if (!file || !file->Write(exchange.data(), exchange.size()))
      throw std::runtime_error("The property exchange file " + exchange_file + " cannot be written");
    file.reset();

    progress_.Report(kInstallerProgressText, 0, 100, 50);
    if (!inputs.patch_mode && inputs.apply_pending_properties) inputs.apply_pending_properties();
    progress_.Report(kInstallerProgressText, 0, 100, 100);
    // A patch's template lists the products it patches: it is not the platform to rewrite.
    if (!inputs.patch_mode && inputs.apply_platform_edits) inputs.apply_platform_edits();

    platform::InstallerFunctions* msi = platform_.installer.Bind();
    if (!msi || !msi->MsiQueryProductStateA || !msi->MsiInstallProductA)
      throw std::runtime_error("The installer service is not available");
    const platform::INSTALLSTATE state = msi->MsiQueryProductStateA(inputs.product_code.c_str());

    if (!Cancelled()) {
      if (!inputs.trace_log_path.empty()) {
        if (inputs.write_trace_line)
          for (const std::string& line : LogSection(inputs)) inputs.write_trace_line(line);
        if (msi->MsiEnableLogA) msi->MsiEnableLogA(kLogMode, inputs.trace_log_path.c_str(), kLogAttributes);
      }
      if (msi->MsiSetInternalUI) msi->MsiSetInternalUI(kInternalUi, nullptr);
      if (msi->MsiSetExternalUIA) msi->MsiSetExternalUIA(&InstallerMessageHandler::Callback, kMessageFilter, &handler_);

      CommandLineFacts facts;
      facts.patch_mode = inputs.patch_mode;
      facts.install = inputs.install;
      facts.advertise = inputs.advertise;
      facts.product_installed = state == platform::msi::kStateDefault;
      facts.advertised_marker = inputs.advertised_marker;
      facts.all_users = variables_.GetVariable("ALLUSERS") == "TRUE";
      facts.disable_rollback = variables_.GetVariable("KVOR_DISABLE_ROLLBACK") == "TRUE";
      facts.disable_restart_manager = variables_.GetVariable("KVOR_DISABLE_VISTA_RESTART_MANAGER") == "TRUE";
      facts.nt_family = platform_.system.GetOsVersion().nt_family;
      facts.target_folder = inputs.target_folder;
      command_line_ = ComposeCommandLine(facts, folders_);

      const platform::UINT code = CallInstaller(*msi, inputs, command_line_);
      outputs_.result_code = code;
      if (code == platform::msi::kErrorSuccessRebootRequired || code == platform::msi::kErrorSuccessRebootInitiated) {
        outputs_.reboot = true;
      } else if (code != platform::msi::kSuccess) {
        outputs_.error = true;
        outputs_.result_message = InstallerResultText(code);
      }
    }
  } catch (const std::exception& failure) {
    // The waiting main thread must still see the end, as a failure.
    outputs_.error = true;
    outputs_.result_message = failure.what();
  }
  if (outputs_.error && outputs_.result_message.empty()) {
    outputs_.result_message = handler_.last_error_text();
    if (outputs_.result_message.empty()) outputs_.result_message = messages_.Get(script::kMsgGeneralSetupFailure);
    std::string& m = outputs_.result_message;
    if (m.find('.') == m.size() - 1) m.pop_back();
  }
  if (!exchange_file.empty()) platform_.files.DeleteFile(exchange_file);
  Finish();
}

void InstallerRun::RemoveStaleTemporaryPackages(const std::string& product_code) {
  std::unique_ptr<platform::RegistryKey> key;
  if (platform_.registry.OpenKey(platform::RootKey::kLocalMachine, kTempPackagesKey, platform::kKeyAllAccess, &key) !=
      platform::kRegOk)
    return;
  std::vector<platform::RegistryValue> values;
  if (key->EnumValues(&values) != platform::kRegOk) return;
  const std::string code = vars::UpperCase(product_code);
  for (size_t i = values.size(); i-- > 0;)
    if (values[i].name.find(code) != std::string::npos) key->DeleteValue(values[i].name);
}

InstallerFolders InstallerRun::DeriveFolders(const InstallerRunInputs& inputs) {
  platform::FileSystem& files = platform_.files;
  InstallerFolders f;
  // A short form that the system cannot give, or that still holds a blank, needs quotes.
  auto shortened = [&files](const std::string& folder, bool& blank) {
    std::string short_form = files.ShortPathName(folder);
    if (short_form.empty()) {
      blank = true;
      return folder;
    }
    if (HasBlank(short_form)) blank = true;
    return platform::IncludeTrailingBackslash(short_form);
  };
  f.package_folder = shortened(platform::ExtractFilePath(inputs.package_path), f.package_blank);
  f.data_folder = platform::IncludeTrailingBackslash(inputs.data_folder);
  if (!inputs.patch_mode) files.CreateDirectories(f.data_folder);
  if (files.DirectoryExists(f.data_folder)) f.data_folder = shortened(f.data_folder, f.data_blank);
  if (inputs.patch_mode) {
    f.media_folder = platform::IncludeTrailingBackslash(inputs.registered_setup_folder);
    if (files.DirectoryExists(f.media_folder)) f.media_folder = shortened(f.media_folder, f.data_blank);
  }
  std::string parent = platform::ExtractFilePath(platform::ExcludeTrailingBackslash(f.data_folder));
  size_t colon = parent.find(':');
  f.media_package_path = colon == std::string::npos ? parent : parent.substr(colon + 1);
  f.source_list = Quoted(f.data_folder + ";" + f.package_folder, f.data_blank || f.package_blank);
  return f;
}

std::vector<std::string> InstallerRun::LogSection(const InstallerRunInputs& inputs) const {
  platform::System& system = platform_.system;
  std::vector<std::string> lines = {
      "=== " + inputs.window_caption + ": Applying Changes @" + system.ShortDate() + " " + system.LongTime() + " ===",
      ""};
  auto section = [&lines](const std::string& title, const std::string& content) {
    lines.push_back("*** " + title + " ***");
    lines.push_back(content);
    lines.push_back("");
  };
  section("Variables", inputs.variables_text);
  section("Properties", inputs.parameter_text);
  section("MSI Database", inputs.package_path);
  section("GUID", inputs.product_code);
  section("Data Directory", folders_.data_folder);
  section("Media Directory", folders_.media_package_path);
  section("MSI Directory", folders_.package_folder);
  lines.push_back("");
  return lines;
}

platform::UINT InstallerRun::WhileBusy(const std::function<platform::UINT()>& call) {
  std::string dots;
  for (;;) {
    platform::UINT code = call();
    if (code != platform::msi::kErrorInstallAlreadyRunning || Cancelled()) return code;
    dots = dots.size() == 3 ? "." : dots + ".";
    progress_.Report(kInstallerProgressText + dots, 0, 100, 100);
    platform_.system.SleepMs(kBusyWaitMs);
    if (Cancelled()) return code;
  }
}

platform::UINT InstallerRun::CallInstaller(platform::InstallerFunctions& msi, const InstallerRunInputs& inputs,
                                           const std::string& command_line) {
  const char* product = inputs.product_code.c_str();
  if (inputs.patch_mode) {
    if (msi.MsiSourceListAddSourceA) {
      msi.MsiSourceListAddSourceA(product, nullptr, 0, folders_.media_folder.c_str());
      std::string user = platform_.system.ComputerName() + "\\" + platform_.system.UserName();
      msi.MsiSourceListAddSourceA(product, user.c_str(), 0, folders_.media_folder.c_str());
    }
    if (!msi.MsiApplyPatchA) return platform::msi::kErrorFunctionFailed;
    return msi.MsiApplyPatchA(inputs.package_path.c_str(), nullptr, 0, command_line.c_str());
  }
  if (inputs.install || platform_.system.GetOsVersion().nt_family)
    return WhileBusy([&] { return msi.MsiInstallProductA(inputs.package_path.c_str(), command_line.c_str()); });
  // Removal where the installer takes no command line for it: a session with properties.
  if (!msi.MsiOpenPackageA || !msi.MsiSetPropertyA || !msi.MsiDoActionA || !msi.MsiCloseHandle)
    return platform::msi::kErrorFunctionFailed;
  platform::MSIHANDLE session = 0;
  platform::UINT opened = msi.MsiOpenPackageA(inputs.package_path.c_str(), &session);
  if (opened != platform::msi::kSuccess) return opened;
  auto set = [&](const char* name, const std::string& value) { msi.MsiSetPropertyA(session, name, value.c_str()); };
  set("ALLUSERS", variables_.GetVariable("ALLUSERS") == "TRUE" ? "1" : "");
  set("REMOVE", "ALL");
  set("SRCDIR", Quoted(folders_.data_folder, folders_.data_blank));
  set("SOURCELIST", folders_.source_list);
  set("MEDIAPACKAGEPATH", Quoted(folders_.media_package_path, folders_.data_blank));
  set("REBOOT", "R");
  platform::UINT code = WhileBusy([&] { return msi.MsiDoActionA(session, "INSTALL"); });
  if (code == platform::msi::kSuccess && msi.MsiGetMode &&
      (msi.MsiGetMode(session, platform::msi::kRunModeRebootAtEnd) || msi.MsiGetMode(session, platform::msi::kRunModeRebootNow)))
    outputs_.reboot = true;
  msi.MsiCloseHandle(session);
  return code;
}

}  // namespace quillset::msi
