// quillset-msiexec: msiexec's switches over the installer service of the posix platform. The
// exit status is the installer's result code (its low 8 bits, as the host keeps them); the
// full code is printed when it is not 0.
#include <filesystem>
#include <iostream>

#include "platform/posix/posix_platform.h"
#include "tools/msiexec/msiexec_command.h"

int main(int argc, char** argv) {
  using namespace quillset;
  msiexec::Options options;
  std::string error;
  if (!msiexec::ParseOptions({argv + 1, argv + argc}, options, error)) {
    std::cerr << "quillset-msiexec: " << error << "\n"
              << "usage: quillset-msiexec /i|/x PACKAGE [/qn] [/l*v LOG] [PROPERTY=VALUE ...]\n";
    return static_cast<int>(platform::msi::kErrorInvalidCommandLine & 0xFF);
  }
  try {
    auto host = platform::posix::CreatePosixPlatform(platform::posix::OptionsFromEnvironment(argc, argv));
    platform::InstallerFunctions* msi = host->platform().installer.Bind();
    // Paths typed on the host are host paths; Windows paths (with a drive) pass as they are.
    auto to_windows = [&host](const std::string& path) {
      if (path.size() > 1 && path[1] == ':') return path;
      return host->paths().ToWindows(std::filesystem::absolute(path).lexically_normal().string());
    };
    platform::UINT result = msiexec::Run(options, *msi, to_windows, std::cout);
    if (result != platform::msi::kSuccess) std::cerr << "quillset-msiexec: result " << result << "\n";
    return static_cast<int>(result & 0xFF);
  } catch (const std::exception& failure) {
    std::cerr << "quillset-msiexec: " << failure.what() << "\n";
    return static_cast<int>(platform::msi::kErrorInstallFailure & 0xFF);
  }
}
