// quillset-reg: the reg command over the registry store of the posix platform.
#include <iostream>

#include "platform/posix/posix_platform.h"
#include "tools/reg/reg_command.h"

int main(int argc, char** argv) {
  try {
    auto platform = quillset::platform::posix::CreatePosixPlatform(
        quillset::platform::posix::OptionsFromEnvironment(argc, argv));
    quillset::reg::Console console{std::cin, std::cout, std::cerr};
    return quillset::reg::RunReg({argv + 1, argv + argc}, platform->platform().registry, console);
  } catch (const std::exception& error) {
    std::cerr << "ERROR: " << error.what() << "\n";
    return 1;
  }
}
