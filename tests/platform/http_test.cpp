// Downloads from a real HTTP server on the loopback address (python's http.server, which
// answers range requests with the whole file).
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/platform/platform_fixture.h"

namespace quillset::platform::posix {
namespace {

bool Accepts(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}

class LoopbackServer {
 public:
  explicit LoopbackServer(const std::string& folder) : port_(20000 + getpid() % 20000) {
    pid_ = fork();
    if (pid_ == 0) {
      if (chdir(folder.c_str()) != 0) _exit(126);
      std::string port = std::to_string(port_);
      execlp("python3", "python3", "-m", "http.server", "--bind", "127.0.0.1", port.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 100 && !Accepts(port_); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ~LoopbackServer() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  std::string Url(const std::string& name) const { return "http://127.0.0.1:" + std::to_string(port_) + "/" + name; }
  int port() const { return port_; }

 private:
  int port_;
  pid_t pid_;
};

HttpRequest Request(const std::string& url, const std::string& target, uint64_t resume_from = 0) {
  HttpRequest request;
  request.url = url;
  request.target_file = target;
  request.resume_from = resume_from;
  return request;
}

TEST(Http, DownloadsResumesAndFails) {
  PrefixPlatform platform;
  testing::TempDir served;
  std::string content(300000, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 % 251);
  testing::WriteFile(served / "block.7z", content);
  LoopbackServer server(served.path());
  ASSERT_TRUE(Accepts(server.port()));
  Http& http = platform->http;
  platform->files.CreateDirectories("C:\\downloads");
  const std::string target = "C:\\downloads\\block.7z";

  uint64_t last_total = 0;
  HttpResult whole = http.Download(Request(server.Url("block.7z"), target), [&](uint64_t, uint64_t total) {
    last_total = total;
    return true;
  });
  EXPECT_TRUE(whole.ok) << whole.error;
  EXPECT_EQ(whole.status, 200);
  EXPECT_EQ(last_total, content.size());
  EXPECT_TRUE(testing::ReadFile(platform.prefix() / "drive_c/downloads/block.7z") == content);

  // The server ignores the range: the answer replaces the partial file.
  testing::WriteFile(platform.prefix() / "drive_c/downloads/block.7z", content.substr(0, 1000));
  HttpRequest resume = Request(server.Url("block.7z"), target, 1000);
  HttpResult resumed = http.Download(resume, nullptr);
  EXPECT_TRUE(resumed.ok) << resumed.error;
  EXPECT_EQ(resumed.file_size, content.size());
  EXPECT_TRUE(testing::ReadFile(platform.prefix() / "drive_c/downloads/block.7z") == content);

  HttpResult missing = http.Download(Request(server.Url("nothing.7z"), "C:\\downloads\\nothing.7z"), nullptr);
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.status, 404);

  HttpResult cancelled = http.Download(Request(server.Url("block.7z"), "C:\\downloads\\c.7z"),
                                       [](uint64_t received, uint64_t) { return received == 0; });
  EXPECT_FALSE(cancelled.ok);
  EXPECT_EQ(cancelled.error, "The download was cancelled");

  HttpResult refused = http.Download(Request("http://127.0.0.1:1/x", "C:\\downloads\\x"), nullptr);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.status, 0);
  EXPECT_FALSE(refused.error.empty());
}

}  // namespace
}  // namespace quillset::platform::posix
