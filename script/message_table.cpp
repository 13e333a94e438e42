#include "script/message_table.h"

#include <utility>

#include "script/text_lines.h"
#include "vars/text_case.h"

namespace quillset::script {
namespace {

// Lines 1 to 90 and 112 to 115 in file order; the reserved lines between are empty.
constexpr std::string_view kDefaultsBeforeReserved[] = {
    "Please install the common controls update from Microsoft before attempting to install "
    "this product.",
    "Setup resource not found",
    "Setup resource decompression failure",
    "Setup database not found",
    "Runtime error in install: ",
    "bytes",
    "KB",
    "MB",
    "Attempting to get value of undefined variable ",
    "Attempting to set value of undefined variable ",
    "Copying: ",
    "Unable to copy installation data to local folders",
    "Downloading Web Media: ",
    "Unable to download installation data from the web",
    "Extracting Web Media: ",
    "Unable to extract installation data downloaded from the web",
    "Please locate your original setup sources to continue operation",
    "Original setup sources required to complete operation, sources not found",
    "General setup failure",
    "Runtime error in setup script:",
    "% complete",
    "bytes received",
    "Quillset Wizard",
    "Quillset is preparing the Quillset Wizard which will install this application. Please "
    "wait.",
    "Retry Download?",
    "Downloading of installation data from the web has failed. Would you like to try again?",
    " Proxy Information (optional) ",
    "Proxy &Server:",
    "Proxy &Port:",
    "If you choose No, setup will exit. However, you will be able to resume your download from "
    "where it left off when you re-run setup.",
    "&Yes",
    "&No",
    "Retry Extraction?",
    "Extraction of installation data downloaded from the web has failed. What would you like "
    "to do?",
    "&Download a fresh copy of the installation data.",
    "Try to &extract the existing download data again.",
    "If you choose Cancel, setup will exit. Your existing download data will be preserved.",
    "&OK",
    "&Cancel",
    "Are you sure you want to cancel?",
    "Proxy &User:",
    "Proxy Pass&word:",
    "Fatal Error",
    "Error",
    "Warning",
    "Message",
    "Files in Use",
    "Out of Disk Space",
    "Downloading of installation data from the web has failed. Please make sure you are "
    "connected to the Internet.",
    "Would you like to:",
    "Try to &resume the broken download?",
    "Download a &new copy of the data instead?",
    "If you choose Cancel, setup will exit. However, you will be able to resume your download "
    "from where it left off when you re-run setup.",
    "",
    "Locating resource",
    "Connecting to",
    "Redirecting to",
    "Beginning data transfer",
    "Transferring data",
    "Finishing data transfer",
    "Beginning component download",
    "Installing components",
    "Finishing component download",
    "Resuming broken download",
    "Requesting data",
    "CLASSID available",
    "Download data recognized",
    "Saving download information",
    "Beginning synchronous operation",
    "Finishing synchronous operation",
    "Beginning data upload",
    "Uploading data",
    "Finishing data upload",
    "Protocol CLASSID",
    "Encoding",
    "Download data recognized and verified",
    "Class install location",
    "Decoding",
    "Loading data handler",
    "Content disposition attach",
    "Download data filtered",
    "CLSID can instantiate",
    "COM services unavailable",
    "Direct bind",
    "Unrecognized download data",
    "Detecting proxy information",
    "Accept ranges",
    "A previously executed setup still has pending operations on the system. Please restart "
    "your computer before attempting to install this product.",
    "Select Setup Language",
    "Please select the language to use during the installation:",
};
constexpr std::string_view kDefaultsAfterReserved[] = {
    "Unable to play Flash movie",
    "Will be &installed on local hard drive",
    "&Entire feature will be installed on local hard drive",
    "Entire feature will be &unavailable",
};
static_assert(std::size(kDefaultsBeforeReserved) == MessageTable::kFirstReserved - 1);
static_assert(std::size(kDefaultsAfterReserved) == MessageTable::kCount - MessageTable::kLastReserved);

struct Language {
  uint32_t id;
  std::string_view name;
};

constexpr Language kLanguages[] = {
    {1025, "Arabic"},    {1027, "Catalan"},   {1028, "Chinese (Taiwan)"},
    {2052, "Chinese (PRC)"}, {1029, "Czech"}, {1030, "Danish"},
    {1031, "German"},    {1032, "Greek"},     {1033, "English"},
    {3082, "Spanish"},   {1061, "Estonian"},  {1045, "Polish"},
    {1035, "Finnish"},   {1036, "French"},    {1037, "Hebrew"},
    {1038, "Hungarian"}, {1040, "Italian"},   {1041, "Japanese"},
    {1042, "Korean"},    {1063, "Lithuanian"}, {1062, "Latvian"},
    {1043, "Dutch"},     {1044, "Norwegian"}, {1049, "Russian"},
    {1050, "Croatian"},  {1051, "Slovak"},    {1053, "Swedish"},
    {1054, "Thai"},      {1055, "Turkish"},   {1060, "Slovenian"},
    {1066, "Vietnamese"}, {1069, "Basque"},   {1046, "Portugese (Brazil)"},
    {2070, "Portugese (Portugal)"},
};

bool IsReserved(size_t line) {
  return line >= MessageTable::kFirstReserved && line <= MessageTable::kLastReserved;
}

// Reads up to one block of lines into the table; stops early at the end of the text.
void ReadBlock(LineReader& reader, MessageTable& table) {
  for (size_t line = 1; line <= MessageTable::kCount; ++line) {
    auto text = reader.Next();
    if (!text) return;
    if (!IsReserved(line)) table.Set(line, std::string(*text));
  }
}

}  // namespace

MessageTable::MessageTable() {
  size_t line = 1;
  for (std::string_view text : kDefaultsBeforeReserved) lines_[line++ - 1] = text;
  line = kLastReserved + 1;
  for (std::string_view text : kDefaultsAfterReserved) lines_[line++ - 1] = text;
}

const std::string& MessageTable::Get(size_t line) const {
  return line >= 1 && line <= kCount ? lines_[line - 1] : empty_;
}

void MessageTable::Set(size_t line, std::string text) {
  if (line >= 1 && line <= kCount) lines_[line - 1] = std::move(text);
}

void MessageTable::LoadMessageFile(std::string_view text, std::string_view user_language_name) {
  LineReader reader(text);
  ReadBlock(reader, *this);
  while (auto header = reader.Next()) {
    ReadBlock(reader, *this);
    if (vars::EqualsIgnoreCase(*header, user_language_name)) return;
  }
}

std::string MessageTable::ToMessageFile() const {
  std::string file;
  for (const std::string& line : lines_) {
    file += line;
    file += "\r\n";
  }
  return file;
}

uint32_t LanguageIdOfName(std::string_view name) {
  for (const Language& language : kLanguages) {
    if (vars::EqualsIgnoreCase(language.name, name)) return language.id;
  }
  return 1033;
}

std::string LanguageNameOfId(uint32_t id) {
  for (const Language& language : kLanguages) {
    if (language.id == id) return std::string(language.name);
  }
  return "";
}

}  // namespace quillset::script
