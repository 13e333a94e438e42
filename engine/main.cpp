// The engine executable: a setup is this program with its setup script appended.
#include <cstdio>
#include <exception>

#include "engine/engine.h"
#include "platform/posix/posix_platform.h"

int main(int argc, char** argv) {
  namespace posix = quillset::platform::posix;
  std::unique_ptr<posix::PosixPlatform> host;
  try {
    host = posix::CreatePosixPlatform(posix::OptionsFromEnvironment(argc, argv));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "Runtime error in install: %s\n", error.what());
    return quillset::engine::kExitRuntimeError;
  }
  quillset::engine::Engine engine(host->platform());
  return quillset::engine::RunEngine(engine);
}
