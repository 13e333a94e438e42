// Runs a fuzz target's entry point over saved inputs: every file of the folders (or the files)
// named on the command line. A fault shows up as a sanitizer report or a crash.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> inputs;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path path(argv[i]);
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::directory_iterator(path)) {
        if (entry.is_regular_file()) inputs.push_back(entry.path());
      }
    } else if (std::filesystem::is_regular_file(path)) {
      inputs.push_back(path);
    } else {
      std::cerr << "no such input: " << path << "\n";
      return 2;
    }
  }
  if (inputs.empty()) {
    std::cerr << "no inputs to replay\n";
    return 2;
  }
  for (const auto& path : inputs) {
    std::ifstream in(path, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  }
  std::cout << "replayed " << inputs.size() << " inputs\n";
  return 0;
}
