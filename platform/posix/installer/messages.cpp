#include "platform/posix/installer/messages.h"

#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

namespace quillset::platform::posix::installer {

namespace {

// A log that exists and begins as UTF-16LE text (the trace log on NT-family systems) is
// continued in that encoding.
bool LooksUtf16(int fd) {
  unsigned char head[2];
  return pread(fd, head, 2, 0) == 2 && head[0] != 0 && head[1] == 0;
}

void WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
    if (written <= 0) return;  // a log that cannot be written does not stop the installation
    done += static_cast<size_t>(written);
  }
}

}  // namespace

Messenger::Messenger(const ExternalUi& ui, const LogSettings& log, System& system) : ui_(ui), system_(system) {
  if (log.host_path.empty()) return;
  int flags = O_RDWR | O_CREAT | O_CLOEXEC | O_APPEND;  // read too: the encoding of what is there
  if (!(log.attributes & msi::kLogAttributesAppend)) flags |= O_TRUNC;
  log_fd_ = open(log.host_path.c_str(), flags, 0644);
  if (log_fd_ < 0) return;
  log_mode_ = log.mode;
  flush_each_line_ = log.attributes & msi::kLogAttributesFlushEachLine;
  utf16_ = LooksUtf16(log_fd_);
}

Messenger::~Messenger() {
  if (log_fd_ < 0) return;
  WriteAll(log_fd_, pending_);
  close(log_fd_);
}

std::string Messenger::Clock() const {
  timeval now{};
  gettimeofday(&now, nullptr);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

void Messenger::LogLine(const std::string& text) {
  if (log_fd_ < 0) return;
  std::string line = text + "\r\n";
  pending_ += utf16_ ? system_.AnsiToUtf16Le(line) : line;
  if (flush_each_line_ || pending_.size() > 64 * 1024) {
    WriteAll(log_fd_, pending_);
    pending_.clear();
  }
}

int Messenger::Send(UINT type, const std::string& text) {
  UINT kind = type & msi::kMessageTypeMask;
  // Progress records are not logged: their bit in the log mode asks for the property dump.
  if (kind != msi::kMessageProgress && (log_mode_ & msi::FilterBit(kind))) {
    switch (kind) {
      case msi::kMessageError: LogLine("Error: " + text); break;
      case msi::kMessageWarning: LogLine("Warning: " + text); break;
      case msi::kMessageFatalExit: LogLine("Fatal error: " + text); break;
      case msi::kMessageInitialize:
      case msi::kMessageTerminate:
      case msi::kMessageCommonData: break;
      default: if (!text.empty()) LogLine(text);
    }
  }
  if (!ui_.handler || !(ui_.filter & msi::FilterBit(kind))) return 0;
  int answer = ui_.handler(ui_.context, type, text.c_str());
  if (answer == msi::kIdCancel) cancelled_ = true;
  return answer;
}

void Messenger::Initialize(const std::string& product_name, uint32_t language) {
  Send(msi::kMessageInitialize, "");
  Send(msi::kMessageCommonData, "1: 0 2: " + std::to_string(language) + " 3: 1252 ");
  Send(msi::kMessageCommonData, "1: 1 2: " + product_name + " ");
  Send(msi::kMessageCommonData, "1: 2 2: 1 ");  // the cancel button is shown
}

void Messenger::Terminate() { Send(msi::kMessageTerminate, ""); }

void Messenger::ActionStart(const std::string& name, const std::string& description) {
  std::string clock = Clock();
  Info("Action start " + clock + ": " + name + ".");
  Send(msi::kMessageActionStart, "Action " + clock + ": " + name + "." + (description.empty() ? "" : " " + description));
}

void Messenger::ActionEnd(const std::string& name, int result) {
  Info("Action ended " + Clock() + ": " + name + ". Return value " + std::to_string(result) + ".");
}

void Messenger::ActionData(const std::string& text) { Send(msi::kMessageActionData, text); }

void Messenger::Progress(int64_t f1, int64_t f2, int64_t f3, int64_t f4) {
  Send(msi::kMessageProgress, "1: " + std::to_string(f1) + " 2: " + std::to_string(f2) + " 3: " + std::to_string(f3) +
                                  " 4: " + std::to_string(f4) + " ");
}

void Messenger::Info(const std::string& text) { Send(msi::kMessageInfo, text); }

int Messenger::Error(const std::string& text, UINT style) {
  int answer = Send(msi::kMessageError | style, text);
  return answer == 0 ? msi::kIdOk : answer;
}

void Messenger::Verbose(const std::string& text) {
  if (log_mode_ & kLogVerbose) LogLine("MSI (s) (" + std::to_string(getpid()) + ") [" + Clock() + "]: " + text);
}

void Messenger::PropertyDump(const std::map<std::string, std::string>& properties) {
  if (!(log_mode_ & kLogPropertyDump)) return;
  for (const auto& [name, value] : properties) LogLine("Property(S): " + name + " = " + value);
}

}  // namespace quillset::platform::posix::installer
