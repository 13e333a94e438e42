#include "platform/posix/installer/journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/posix/installer/record_text.h"
#include "platform/posix/installer/registry_edit.h"

namespace quillset::platform::posix::installer {

namespace {

std::string Number(int64_t value) { return std::to_string(value); }
RootKey RootOf(const std::string& text) { return static_cast<RootKey>(std::atoi(text.c_str())); }
uint32_t ViewOf(const std::string& text) { return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 10)); }

// Carries out one undo step; a step whose change never happened (the process died between
// the two) finds nothing to undo and does nothing.
void Undo(Host& host, const UndoStep& step) {
  if (step.empty()) return;
  const std::string& kind = step[0];
  auto field = [&](size_t i) -> const std::string& {
    static const std::string kEmpty;
    return i < step.size() ? step[i] : kEmpty;
  };
  if (kind == "DeleteFile") {
    host.files.DeleteFile(field(1));
  } else if (kind == "RestoreFile") {
    if (!host.files.FileExists(field(1))) return;
    host.files.DeleteFile(field(2));
    host.files.MoveFile(field(1), field(2));
  } else if (kind == "RemoveFolder") {
    host.files.RemoveDirectory(field(1));
  } else if (kind == "CreateFolder") {
    host.files.CreateDirectories(field(1));
  } else if (kind == "RegistryValue") {
    RegistryPlace place{RootOf(field(1)), ViewOf(field(2)), field(3)};
    if (step.size() > 6)
      WriteValue(host.registry, place, {field(4), ViewOf(field(5)), field(6)});
    else
      DeleteValue(host.registry, place, field(4));
  } else if (kind == "DeleteKey") {
    DeleteKeyIfEmpty(host.registry, {RootOf(field(1)), ViewOf(field(2)), field(3)});
  } else if (kind == "CreateKey") {
    CreateKey(host.registry, {RootOf(field(1)), ViewOf(field(2)), field(3)});
  }
}

}  // namespace

UndoStep UndoDeleteFile(const std::string& path) { return {"DeleteFile", path}; }
UndoStep UndoRestoreFile(const std::string& backup, const std::string& path) { return {"RestoreFile", backup, path}; }
UndoStep UndoRemoveFolder(const std::string& path) { return {"RemoveFolder", path}; }
UndoStep UndoCreateFolder(const std::string& path) { return {"CreateFolder", path}; }
UndoStep UndoRegistryValue(RootKey root, uint32_t view, const std::string& key, const std::string& name,
                           const std::optional<RegistryValue>& old) {
  UndoStep step{"RegistryValue", Number(static_cast<int>(root)), Number(view), key, name};
  if (old) {
    step.push_back(Number(old->type));
    step.push_back(old->data);
  }
  return step;
}
UndoStep UndoDeleteKey(RootKey root, uint32_t view, const std::string& key) {
  return {"DeleteKey", Number(static_cast<int>(root)), Number(view), key};
}
UndoStep UndoCreateKey(RootKey root, uint32_t view, const std::string& key) {
  return {"CreateKey", Number(static_cast<int>(root)), Number(view), key};
}

Journal::Journal(Host& host, const std::string& run, const std::string& product_code, bool registered)
    : host_(host), run_(run), folder_(host.records + "/runs/" + run) {
  std::error_code error;
  std::filesystem::create_directories(folder_ + "/backup", error);
  fd_ = open((folder_ + "/journal").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd_ < 0) throw std::runtime_error("cannot write the rollback journal in " + folder_);
  Record({"Run", run, product_code, registered ? "1" : "0"});
  steps_.clear();
}

Journal::~Journal() {
  if (fd_ >= 0) close(fd_);
}

void Journal::Record(const UndoStep& step) { Record(std::vector<UndoStep>{step}); }

void Journal::Record(const std::vector<UndoStep>& steps) {
  // Written straight to the file (no user-space buffer): a process killed after this call
  // leaves the steps for the next installation to undo.
  std::string lines;
  for (const UndoStep& step : steps) lines += JoinRecord(step) + "\n";
  size_t done = 0;
  while (done < lines.size()) {
    ssize_t written = write(fd_, lines.data() + done, lines.size() - done);
    if (written <= 0) throw std::runtime_error("cannot write the rollback journal in " + folder_);
    done += static_cast<size_t>(written);
  }
  steps_.insert(steps_.end(), steps.begin(), steps.end());
}

std::string Journal::NewBackupPath() {
  return host_.paths.ToWindows(folder_ + "/backup/" + std::to_string(++backups_));
}

void Journal::RollBack(const std::function<void()>& step_undone) {
  for (auto step = steps_.rbegin(); step != steps_.rend(); ++step) {
    Undo(host_, *step);
    if (step_undone) step_undone();
  }
  steps_.clear();
  Discard();
}

void Journal::Discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  std::error_code error;
  std::filesystem::remove_all(folder_, error);
}

void Journal::Recover(Host& host, const Registrations& registrations) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(host.records + "/runs", error)) {
    std::ifstream in(entry.path() / "journal", std::ios::binary);
    std::vector<UndoStep> steps;
    std::string line;
    while (std::getline(in, line)) steps.push_back(SplitRecord(line));
    bool committed = false;
    if (!steps.empty() && steps[0].size() == 4 && steps[0][0] == "Run") {
      auto record = registrations.Find(steps[0][2]);
      committed = record ? record->run == steps[0][1] : steps[0][3] == "1";
    }
    if (!committed)
      for (auto step = steps.rbegin(); step != steps.rend(); ++step) Undo(host, *step);
    std::error_code ignored;
    std::filesystem::remove_all(entry.path(), ignored);
  }
}

}  // namespace quillset::platform::posix::installer
